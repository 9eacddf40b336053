// Drawing: one complete frame in the offscreen GL context at 1, 2 and 3 times the 500 x 740 surface,
// beside clear-and-finish in the same context, and the full layout's frame (460 x 424 times the
// scale, at the surface's lower-left corner) in the same iterations.
//
// The frame is the demo flight over the middle marker with the autopilot modes set so that the most
// texts show at once: ILS scales with both indices, both flight-director bars, "AP ENG", "VS" with
// "ALT" armed, "LOC", "HDG", the radio-altitude readout with "RA", and the marker letter "M" (with
// approach and altitude/heading hold on, each bar is drawn twice, as the frame rules say). It is
// drawn by DrawFrameDescription (every layer and text, without the frame's 1 ms pause, which is not
// drawing) and finished with glFinish. The floor is glClear of colour and depth plus glFinish.
//
// The full layout's frame is the same picture with the values of that moment of the approach
// (140 kt slowing, 1,240 ft descending at 720 ft/min, heading 087, every bug and readout shown),
// drawn by DrawFullFrame. Its goal: at most twice today's frame at the same scale. The artwork's
// loading (today's set and font, with and without the full layout's textures) is timed too: it
// is the part of the start-up that the layout changes.
//
// Both frames are drawn by each backend in the same iteration, one right after the other: GL1
// (fixed function) and GLES2 (shaders, batched, masked pictures in one pass). The GLES2 goal: its
// frame at most half GL1's at 3 x.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench_report.h"
#include "model/interface_codec.h"
#include "pfd/frame_draw.h"
#include "pfd/frame_rules.h"
#include "pfd/full_frame_draw.h"
#include "pfd/tape_rules.h"
#include "pfd/layers.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "pfd/font.h"
#include "pfd/renderer.h"
#include "pfd/texture_set.h"
#include "render/backend.h"
#include "simdata/demo_flight.h"

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 740;

std::string g_renderer;
int g_scale = 0;  // the scale the context is open at, 0 = none

platform::OffscreenGl& Gl() {
  static platform::OffscreenGl gl;
  return gl;
}

// A renderer per backend with the panel's textures and font (the full panel's too), set up by
// OpenContext; the full panel's renderer draws today's frame as today's does.
std::unique_ptr<PanelRenderer>& Renderer(render::BackendKind kind) {
  static std::unique_ptr<PanelRenderer> renderers[2];
  return renderers[kind == render::BackendKind::GLES2 ? 1 : 0];
}
PanelRenderer& Gl1() { return *Renderer(render::BackendKind::GL1); }
PanelRenderer& Gles2() { return *Renderer(render::BackendKind::GLES2); }
const PanelResources& Resources() { return Gl1().Resources(); }
// The GL1 backend for the layers drawn alone.
render::Backend& LayersBackend() {
  static std::unique_ptr<render::Backend> backend = render::MakeBackend(render::BackendKind::GL1);
  return *backend;
}

// The offscreen context prepared as the display's start-up prepares its window: projection, the
// texture set and font from the run folder, the initial GL state. False with a reason.
bool OpenContext(int scale, std::string& error) {
  if (chdir(ORVANE_RUN_DIR) != 0) {
    error = std::string("cannot enter the run folder ") + ORVANE_RUN_DIR;
    return false;
  }
  if (g_scale == scale) return true;
  Renderer(render::BackendKind::GL1).reset();
  Renderer(render::BackendKind::GLES2).reset();
  if (g_scale != 0) Gl().Close();
  g_scale = 0;
  if (!Gl().Open(kWidth * scale, kHeight * scale, error)) return false;
  g_scale = scale;
  PanelLayout fullLayout = FullStandardLayout();
  fullLayout.scale = double(scale);
  fullLayout.standard = scale == 1;
  for (const render::BackendKind kind : {render::BackendKind::GL1, render::BackendKind::GLES2}) {
    auto& renderer = Renderer(kind);
    renderer = std::make_unique<PanelRenderer>(PanelKind::Full, kind);
    renderer->SetSurface(kWidth * scale, kHeight * scale);
    renderer->SetLayout(fullLayout);
    if (!renderer->SetUp()) {
      error = std::string("the artwork is missing in ") + ORVANE_RUN_DIR + " (build orvane-assetgen-run)";
      return false;
    }
    if (!renderer->FullArtworkComplete()) {
      error = std::string("the full layout's artwork is missing in ") + ORVANE_RUN_DIR + " (build orvane-assetgen-run)";
      return false;
    }
    if (renderer->Backend() != kind) {
      error = std::string(render::BackendName(kind)) + " cannot run on this GL";
      return false;
    }
  }
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  g_renderer = renderer ? renderer : "?";
  return true;
}

// A list over the whole surface at the open scale.
render::DrawList SurfaceList() {
  render::DrawList list;
  list.surfaceWidth = kWidth * g_scale;
  list.surfaceHeight = kHeight * g_scale;
  list.state.view = SurfaceView(0, 0, list.surfaceWidth, list.surfaceHeight);
  return list;
}

// The busiest picture the frame rules give: see the file comment.
FrameDescription BusyFrame() {
  InterfaceValues s = EncodeInterface(demo::StateAt(demo::times::kIlsApproachMiddleMarker));
  s.ApMaster = 1;
  s.ApHeadingHold = 1;
  s.ApAltitudeHold = 1;
  s.ApGlideSlopeHold = 0;  // with the glide slope held the altitude texts give way to "GS"
  s.ApApproachHold = 1;
  s.FdActive = 1;
  s.Altimeter = 3000;
  s.ApAltitudeRaw = int32_t(2000 * 0.3048 * 65536);  // 1,000 ft away: "VS" with "ALT" armed
  ApplyConversions(s, InclinationRule::Degrees);
  return DecideFrame(s, false);
}

// The full layout's frame of the same moment: see the file comment.
FullFrameDescription BusyFullFrame() {
  PrimaryFlightValues v;
  v.indicatedAirspeedKt = {142, true};
  v.mach = {0.21, true};
  v.headingMagneticDeg = {87, true};
  v.verticalSpeedFpm = {-720, true};
  v.altitudeFt = {1240, true};
  v.selectedAirspeedKt = {140, true};
  v.selectedAltitudeFt = {1500, true};
  v.selectedHeadingDeg = {90, true};
  v.selectedVerticalSpeedFpm = {-700, true};
  v.altimeterSettingHpa = {1009, true};
  v.verticalSpeedMode = true;
  return DecideFullFrame(BusyFrame(), v, {-6, true}, BaroUnit::Hpa);
}

// Draws the layers of a frame description without its texts (as DrawFrameDescription does).
void DrawLayersOnly(const FrameDescription& frame) {
  const PanelResources& r = Resources();
  render::DrawList list = SurfaceList();
  DrawAttitude(list, r, float(frame.pitchOffset), float(frame.bank));
  DrawIls(list, r, frame.ilsState, float(frame.glideSlopeOffset), float(frame.localizerOffset));
  DrawSpdPlate(list, r);
  for (const FrameBar& bar : frame.bars) {
    if (bar.kind == BarKind::Horizontal)
      DrawFdHorizontalBar(list, r, float(bar.offset));
    else
      DrawFdVerticalBar(list, r, float(bar.offset));
  }
  LayersBackend().Execute(list);
}

// Per iteration, one right after the other, each finished with glFinish: the floor (glClear of
// colour and depth), the attitude layer alone, every layer without the texts, the whole frame.
void BM_DrawPair(benchmark::State& state) {
  std::string error;
  if (!OpenContext(int(state.range(0)), error)) return state.SkipWithError(error.c_str());
  const FrameDescription frame = BusyFrame();
  if (frame.ilsState != 4 || frame.bars.size() < 2 || frame.texts.size() < 8)
    return state.SkipWithError(("the frame is not the busy picture this benchmark is about: ILS state " +
                                std::to_string(frame.ilsState) + ", " + std::to_string(frame.bars.size()) + " bars, " +
                                std::to_string(frame.texts.size()) + " texts")
                                   .c_str());
  PanelPicture full;
  full.kind = PanelKind::Full;
  full.full = BusyFullFrame();
  bench::Series series(true);
  for (auto _ : state) {
    double seconds = series.Time("floor", [] {
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      glFinish();
    });
    seconds += series.Time("attitude", [&] {
      render::DrawList list = SurfaceList();
      DrawAttitude(list, Resources(), float(frame.pitchOffset), float(frame.bank));
      LayersBackend().Execute(list);
      glFinish();
    });
    seconds += series.Time("layers", [&] {
      DrawLayersOnly(frame);
      glFinish();
    });
    seconds += series.Time("frame", [&] {
      Gl1().Draw(frame);
      glFinish();
    });
    seconds += series.Time("frame_gles2", [&] {
      Gles2().Draw(frame);
      glFinish();
    });
    seconds += series.Time("full", [&] {
      Gl1().BeginFrame();
      Gl1().Draw(full);
      glFinish();
    });
    seconds += series.Time("full_gles2", [&] {
      Gles2().BeginFrame();
      Gles2().Draw(full);
      glFinish();
    });
    state.SetIterationTime(seconds);
  }
  series.Publish(state);
  state.SetLabel(std::to_string(frame.texts.size()) + " texts, " + std::to_string(frame.bars.size()) + " bars");
}

BENCHMARK(BM_DrawPair)->Arg(1)->Arg(2)->Arg(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The artwork's loading at 1 x: today's texture set and font, then the same with the full
// layout's textures; each deleted again.
void BM_LoadArtwork(benchmark::State& state) {
  std::string error;
  if (!OpenContext(1, error)) return state.SkipWithError(error.c_str());
  auto unload = [](PanelResources& r, FullLayoutTextures* f) {
    glDeleteTextures(SlotCount, reinterpret_cast<const GLuint*>(r.TextureNames));
    glDeleteTextures(1, reinterpret_cast<const GLuint*>(&r.FontTexture));
    glDeleteTextures(SlotCount, reinterpret_cast<const GLuint*>(r.Combined));
    if (f != nullptr) {
      glDeleteTextures(full_layout::FullSlotCount, reinterpret_cast<const GLuint*>(f->names));
      glDeleteTextures(full_layout::FullSlotCount, reinterpret_cast<const GLuint*>(f->combined));
    }
  };
  bench::Series series(true);
  for (auto _ : state) {
    PanelResources classic, both;
    FullLayoutTextures extra;
    double seconds = series.Time("classic_load", [&] {
      LoadTextureSet(classic, 1.0);
      glFinish();
    });
    unload(classic, nullptr);
    seconds += series.Time("full_load", [&] {
      LoadTextureSet(both, 1.0);
      LoadFullLayoutTextures(extra);
      glFinish();
    });
    unload(both, &extra);
    PanelResources combined;
    seconds += series.Time("classic_load_gles2", [&] {
      LoadTextureSet(combined, 1.0, render::GlTextureDevice(), true);
      glFinish();
    });
    unload(combined, nullptr);
    state.SetIterationTime(seconds);
  }
  series.Publish(state);
}

BENCHMARK(BM_LoadArtwork)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "usage: draw_frame_bench [benchmark flags]\n"
        "Times one complete frame (all layers and texts) in the offscreen GL context at 1, 2 and 3 times\n"
        "the 500 x 740 surface against\n"
        "glClear + glFinish in the same context, and the full layout's frame (460 x 424 times the scale)\n"
        "against today's; times the artwork's loading with and without the full layout's textures; prints\n"
        "frames per second and the ratios as RESULT lines. Each frame is drawn by both backends in the same\n"
        "iteration (GL1, then GLES2), so that the machine's load falls on both alike.\n"
        "Needs the artwork in %s.\n",
        ORVANE_RUN_DIR);
    return 0;
  }
  std::string error;
  if (!OpenContext(1, error)) {
    std::fprintf(stderr, "draw_frame_bench: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "draw_frame_bench: renderer %s\n", g_renderer.c_str());
  bench::CollectingReporter reporter;
  bench::RunAll(argc, argv, reporter, 5, 0.4);
  Gl().Close();
  for (int scale = 1; scale <= 3; ++scale) {
    const std::string name = "BM_DrawPair/" + std::to_string(scale);
    const std::string size = std::to_string(kWidth * scale) + " x " + std::to_string(kHeight * scale);
    if (!reporter.Error(name).empty()) std::fprintf(stderr, "%s: %s\n", name.c_str(), reporter.Error(name).c_str());
    const double frame = reporter.MedianCounter(name, "frame_us") / 1e6;
    const double floor = reporter.MedianCounter(name, "floor_us") / 1e6;
    const double attitude = reporter.MedianCounter(name, "attitude_us") / 1e6;
    const double layers = reporter.MedianCounter(name, "layers_us") / 1e6;
    std::fprintf(stderr, "draw_frame_bench: %d x: attitude layer %s, all layers without texts %s, full frame %s\n",
                 scale, bench::Duration(attitude).c_str(), bench::Duration(layers).c_str(),
                 bench::Duration(frame).c_str());
    std::fprintf(stderr,
                 "draw_frame_bench: %d x: CPU of all threads: floor %s, attitude layer %s, without texts %s, full "
                 "frame %s\n",
                 scale, bench::Duration(reporter.MedianCounter(name, "floor_cpu_us") / 1e6).c_str(),
                 bench::Duration(reporter.MedianCounter(name, "attitude_cpu_us") / 1e6).c_str(),
                 bench::Duration(reporter.MedianCounter(name, "layers_cpu_us") / 1e6).c_str(),
                 bench::Duration(reporter.MedianCounter(name, "frame_cpu_us") / 1e6).c_str());
    const double full = reporter.MedianCounter(name, "full_us") / 1e6;
    std::fprintf(stderr, "draw_frame_bench: %d x: full layout's frame %s (CPU %s)\n", scale,
                 bench::Duration(full).c_str(),
                 bench::Duration(reporter.MedianCounter(name, "full_cpu_us") / 1e6).c_str());
    bench::PrintRatio("Drawing at " + std::to_string(scale) + " x: full layout's frame (" +
                          std::to_string(460 * scale) + " x " + std::to_string(424 * scale) + ") vs today's frame",
                      bench::Duration(full), bench::Duration(frame), full > 0 && frame > 0 ? full / frame : -1, 2.0,
                      false);
    const double frameGles2 = reporter.MedianCounter(name, "frame_gles2_us") / 1e6;
    const double fullGles2 = reporter.MedianCounter(name, "full_gles2_us") / 1e6;
    std::fprintf(stderr, "draw_frame_bench: %d x: GLES2 today's frame %s (GL1 %s), full layout's %s (GL1 %s)\n", scale,
                 bench::Duration(frameGles2).c_str(), bench::Duration(frame).c_str(),
                 bench::Duration(fullGles2).c_str(), bench::Duration(full).c_str());
    bench::PrintRatio("Drawing at " + std::to_string(scale) + " x: GLES2 frame vs GL1 frame",
                      bench::Duration(frameGles2), bench::Duration(frame),
                      frameGles2 > 0 && frame > 0 ? frameGles2 / frame : -1, scale == 3 ? 0.5 : 0.0, false);
    bench::PrintRatio("Drawing at " + std::to_string(scale) + " x: GLES2 full layout's frame vs GL1's",
                      bench::Duration(fullGles2), bench::Duration(full),
                      fullGles2 > 0 && full > 0 ? fullGles2 / full : -1, scale == 3 ? 0.5 : 0.0, false);
    const std::string fps = frame > 0 ? bench::Number(1.0 / frame, "%.0f fps") : "n/a";
    const std::string floorFps = floor > 0 ? bench::Number(1.0 / floor, "%.0f fps") : "n/a";
    bench::PrintResult("Drawing: frame rate (" + g_renderer + ", " + size + ")", fps, floorFps, "-", "-", "n/a");
    bench::PrintRatio("Drawing at " + std::to_string(scale) + " x: full frame vs clear + finish (attitude layer " +
                          bench::Duration(attitude) + ", without texts " + bench::Duration(layers) + ")",
                      bench::Duration(frame), bench::Duration(floor), frame > 0 && floor > 0 ? frame / floor : -1, 0,
                      false);
  }
  const double classicLoad = reporter.MedianCounter("BM_LoadArtwork", "classic_load_us") / 1e6;
  const double fullLoad = reporter.MedianCounter("BM_LoadArtwork", "full_load_us") / 1e6;
  std::fprintf(stderr, "draw_frame_bench: artwork loading: today's set %s (CPU %s), with the full layout's %s (CPU %s)\n",
               bench::Duration(classicLoad).c_str(),
               bench::Duration(reporter.MedianCounter("BM_LoadArtwork", "classic_load_cpu_us") / 1e6).c_str(),
               bench::Duration(fullLoad).c_str(),
               bench::Duration(reporter.MedianCounter("BM_LoadArtwork", "full_load_cpu_us") / 1e6).c_str());
  const double combinedLoad = reporter.MedianCounter("BM_LoadArtwork", "classic_load_gles2_us") / 1e6;
  bench::PrintRatio("Artwork loading: today's set with the masked pictures combined (GLES2) vs without",
                    bench::Duration(combinedLoad), bench::Duration(classicLoad),
                    combinedLoad > 0 && classicLoad > 0 ? combinedLoad / classicLoad : -1, 0, false);
  bench::PrintRatio("Artwork loading: with the full layout's textures vs today's set", bench::Duration(fullLoad),
                    bench::Duration(classicLoad), fullLoad > 0 && classicLoad > 0 ? fullLoad / classicLoad : -1, 0,
                    false);
  return 0;
}
