// The browser display's program: the artwork fetched by the page, a WebSocket to the data server
// that served the page, one frame's requests and replies per animation frame, the link's state for
// the page, and the panel drawn by the desktop's renderer on WebGL.
#include <emscripten.h>
#include <emscripten/html5.h>
#include <emscripten/websocket.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "model/flight_variables.h"
#include "model/interface_codec.h"
#include "pfd/panel_picture.h"
#include "web_exchange.h"
#include "web_frame.h"

// The page's side (page/glue.js).
EM_JS(int, PageFullLayout, (), { return Module.orvanePage && Module.orvanePage.layout === "full" ? 1 : 0; });
EM_JS(int, PageBaroInHg, (), { return Module.orvanePage && Module.orvanePage.baro === "inhg" ? 1 : 0; });
EM_JS(char*, PageSocketUrl, (), {
  var url = (location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/ws";
  var size = lengthBytesUTF8(url) + 1;
  var text = _malloc(size);
  stringToUTF8(url, text, size);
  return text;
});
EM_JS(void, PageLink, (int up), { if (Module.orvanePage) Module.orvanePage.setLink(up !== 0); });
EM_JS(void, PageFrame, (double frames, double altitudeFt, double airspeedKt, double pitchDeg, int listDelivered), {
  if (Module.orvanePage) Module.orvanePage.setFrame(frames, altitudeFt, airspeedKt, pitchDeg, listDelivered !== 0);
});
// The frame just drawn: its cost on the processor (ms) and the flags it raised.
EM_JS(void, PageDrawn, (double drawMs, const char* flags), {
  if (Module.orvanePage) Module.orvanePage.drawn(drawMs, UTF8ToString(flags));
});
// The frame drawn last is on its way to the screen: the animation frame that takes it has begun. The
// pitch it shows (degrees, nose up; not a number without one).
EM_JS(void, PageShown, (double pitchDeg), {
  if (Module.orvanePage) Module.orvanePage.shown(pitchDeg);
});
// The page fetches the artwork files (names one a line) into the program's folder, then calls
// orvane_artwork_ready with the number it could not fetch.
EM_JS(void, PageFetchArtwork, (const char* names), {
  var files = UTF8ToString(names).split("\n");
  var missing = 0;
  Promise.all(files.map(function (name) {
    return fetch(name).then(function (answer) {
      if (!answer.ok) throw new Error(name + ": " + answer.status);
      return answer.arrayBuffer();
    }).then(function (bytes) {
      FS.writeFile(name, new Uint8Array(bytes));
    }).catch(function (error) {
      missing++;
      console.warn("artwork " + error.message);
    });
  })).then(function () {
    if (Module.orvanePage) Module.orvanePage.artworkMs = performance.now();
    _orvane_artwork_ready(missing);
  });
});

namespace {

// Reconnect attempts, one at a time, at most this often; each given this long to open.
constexpr double kRetryEveryMs = 1000;
constexpr double kOpenBoundMs = 3000;
// A pause of the animation frames (a hidden tab) longer than this restarts the reply clock.
constexpr double kPauseMs = 500;

struct WebDisplay {
  std::unique_ptr<WebExchange> exchange;
  std::string url;
  EMSCRIPTEN_WEBSOCKET_T socket = 0;
  bool open = false;
  bool linkShown = true;  // what the page was last told (told once at start)
  bool firstTold = false;
  uint64_t framesAtOpen = 0;  // frames whole before this connection
  double nextAttemptMs = 0;
  double attemptStartMs = 0;
  double lastTickMs = 0;
  PanelKind kind = PanelKind::Classic;
  BaroUnit baro = BaroUnit::Hpa;
  std::unique_ptr<WebPanel> panel;
  // What the canvas shows: drawn from a whole frame (not the link-down frame), its size, and the
  // pitch of the frame drawn since the last animation frame began (not yet on the screen).
  bool drawnUp = false;
  int drawnWidth = 0, drawnHeight = 0;
  bool drawnSinceTick = false;
  double drawnPitch = 0;
};

WebDisplay g;

void Drop() {
  if (g.socket > 0) {
    emscripten_websocket_close(g.socket, 1000, "");
    emscripten_websocket_delete(g.socket);
  }
  g.socket = 0;
  g.open = false;
  g.exchange->Abandon();
}

EM_BOOL OnOpen(int, const EmscriptenWebSocketOpenEvent* event, void*) {
  if (event->socket == g.socket) {
    g.open = true;
    g.framesAtOpen = g.exchange->Frames();
  }
  return EM_TRUE;
}

// A value as the interface gives it, for the page; not a number when it did not arrive (or was not
// asked for).
double Shown(const InterfaceValues& frame, FlightVar var, double unit = 1) {
  return frame.Valid.Has(var) ? RawNumber(frame, var) / unit : std::nan("");
}

// Decides and draws a frame: the last whole one while the link is `up`; while it is down, nothing
// arrived (the flags show, as on the desktop display without its server).
void DrawFrame(bool up, double now) {
  int width = 0, height = 0;
  emscripten_get_canvas_element_size("#panel", &width, &height);
  FlightFrame frame{};
  if (up) frame.classic = g.exchange->Frame();
  FrameFromInterface(frame, InclinationRule::Raw);
  const double start = emscripten_get_now();
  const PanelPicture picture = g.panel->Draw(width, height, frame, up && g.exchange->ListDelivered(), now / 1000.0);
  PageDrawn(emscripten_get_now() - start, RaisedFlagsText(picture).c_str());
  g.drawnUp = up, g.drawnWidth = width, g.drawnHeight = height;
  g.drawnSinceTick = true;
  g.drawnPitch = frame.readings.Valid.Has(ReadingId::Pitch) ? frame.readings.Pitch : std::nan("");
}

EM_BOOL OnMessage(int, const EmscriptenWebSocketMessageEvent* event, void*) {
  if (event->socket != g.socket) return EM_TRUE;
  std::string bytes(reinterpret_cast<const char*>(event->data), event->numBytes);
  if (g.exchange->Reply(bytes)) {
    const InterfaceValues& frame = g.exchange->Frame();
    PageFrame(double(g.exchange->Frames()), Shown(frame, FlightVar::Altimeter),
              Shown(frame, FlightVar::IndicatedAirspeedRaw, 128), Shown(frame, FlightVar::Pitch),
              g.exchange->ListDelivered() ? 1 : 0);
    // Drawn as soon as it is whole: the browser takes the canvas to the screen at its next
    // animation frame, a frame sooner than if it waited for that frame to be drawn.
    if (g.panel) DrawFrame(true, emscripten_get_now());
  }
  return EM_TRUE;
}

EM_BOOL OnEnd(int, const void* /*event*/, void*) {
  Drop();
  return EM_TRUE;
}

EM_BOOL OnClose(int type, const EmscriptenWebSocketCloseEvent* event, void* user) {
  if (event->socket == g.socket) OnEnd(type, event, user);
  return EM_TRUE;
}

EM_BOOL OnError(int type, const EmscriptenWebSocketErrorEvent* event, void* user) {
  if (event->socket == g.socket) OnEnd(type, event, user);
  return EM_TRUE;
}

void Connect(double now) {
  g.nextAttemptMs = now + kRetryEveryMs;
  g.attemptStartMs = now;
  EmscriptenWebSocketCreateAttributes attributes;
  emscripten_websocket_init_create_attributes(&attributes);
  attributes.url = g.url.c_str();
  attributes.protocols = nullptr;
  attributes.createOnMainThread = EM_TRUE;
  EMSCRIPTEN_WEBSOCKET_T socket = emscripten_websocket_new(&attributes);
  if (socket <= 0) return;
  g.socket = socket;
  g.open = false;
  emscripten_websocket_set_onopen_callback(socket, nullptr, OnOpen);
  emscripten_websocket_set_onmessage_callback(socket, nullptr, OnMessage);
  emscripten_websocket_set_onclose_callback(socket, nullptr, OnClose);
  emscripten_websocket_set_onerror_callback(socket, nullptr, OnError);
}

EM_BOOL Tick(double now, void*) {
  // The frame drawn since the last animation frame goes to the screen with this one.
  if (g.drawnSinceTick) PageShown(g.drawnPitch);
  g.drawnSinceTick = false;
  if (g.lastTickMs > 0 && now - g.lastTickMs > kPauseMs) g.exchange->Restart(now);
  g.lastTickMs = now;

  if (g.socket > 0 && g.exchange->Overdue(now)) Drop();  // the server went silent
  if (g.socket > 0 && !g.open && now - g.attemptStartMs > kOpenBoundMs) Drop();  // no answer to the handshake
  if (g.socket <= 0 && now >= g.nextAttemptMs) Connect(now);
  if (g.open && !g.exchange->InFlight()) {
    for (const std::string& request : g.exchange->StartFrame(now)) {
      if (emscripten_websocket_send_utf8_text(g.socket, request.c_str()) != EMSCRIPTEN_RESULT_SUCCESS) {
        Drop();
        break;
      }
    }
  }

  // Up: open, a whole frame came over this connection, and the frame out is within its bound.
  const bool up = g.open && g.exchange->Frames() > g.framesAtOpen && !g.exchange->Overdue(now);
  if (!g.firstTold || up != g.linkShown) {
    PageLink(up ? 1 : 0);
    g.linkShown = up;
    g.firstTold = true;
  }

  // Whole frames are drawn as they arrive; here the link-down frame, and the last frame again when
  // the canvas changed size.
  int width = 0, height = 0;
  emscripten_get_canvas_element_size("#panel", &width, &height);
  if (!up || !g.drawnUp || width != g.drawnWidth || height != g.drawnHeight) DrawFrame(up, now);
  return EM_TRUE;
}

void Problem(const std::string& text) {
  EM_ASM({ if (Module.orvanePage) Module.orvanePage.problem(UTF8ToString($0)); }, text.c_str());
}

}  // namespace

// The page fetched the artwork (`missing` files it could not): the panel is set up, then the link
// and the frames start.
extern "C" EMSCRIPTEN_KEEPALIVE void orvane_artwork_ready(int missing) {
  int width = 0, height = 0;
  emscripten_get_canvas_element_size("#panel", &width, &height);
  g.panel = std::make_unique<WebPanel>(g.kind, g.baro);
  std::string error;
  if (!emscripten_websocket_is_supported()) {
    Problem("This browser has no WebSocket.");
    return;
  }
  if (!g.panel->SetUp(width, height, error)) {
    Problem(missing > 0 ? error + " (" + std::to_string(missing) + " artwork files could not be fetched)" : error);
    return;
  }
  emscripten_request_animation_frame_loop(Tick, nullptr);
}

int main() {
  g.kind = PageFullLayout() != 0 ? PanelKind::Full : PanelKind::Classic;
  g.baro = PageBaroInHg() != 0 ? BaroUnit::InHg : BaroUnit::Hpa;
  // The readings the layout shows decide the requests, as on the desktop display.
  g.exchange = std::make_unique<WebExchange>(
      ReadPlan::With(InterfaceVarsOf(PanelFrameRules::ReadingsShown(g.kind))));
  char* url = PageSocketUrl();
  g.url = url;
  std::free(url);
  std::string names;
  for (const std::string& file : WebArtworkFiles(g.kind)) names += (names.empty() ? "" : "\n") + file;
  PageFetchArtwork(names.c_str());
  return 0;
}
