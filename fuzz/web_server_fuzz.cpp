// libFuzzer harness for the data server's web side: any bytes as one client's connection, through
// websocketpp's HTTP parser and WebSocket frame reader (its iostream transport, with the server's
// message bound) into the server's own handlers: the web folder's answers and the requests a
// WebSocket message carries.
//
// The web folder holds a page, a script in a sub-folder, and links that lead out of it; nothing
// outside the folder may ever be answered, every answer is 200, 404 or 405, and every message's
// reply is the text a TCP client would get for the same request.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <websocketpp/config/core.hpp>
#include <websocketpp/server.hpp>

#include "fuzz_check.h"
#include "server/reply_format.h"
#include "server/request_parser.h"
#include "server/web_files.h"
#include "server/web_server.h"

namespace {

namespace fs = std::filesystem;

struct FuzzConfig : public websocketpp::config::core {
  typedef FuzzConfig type;
  static const size_t max_message_size = server::kMaxWebSocketMessage;
  static const size_t max_http_body_size = 4096;
};
using FuzzServer = websocketpp::server<FuzzConfig>;

const char kSecret[] = "secret outside the web folder";

struct Folder {
  Folder() {
    char pattern[] = "/tmp/orvane-web-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    FUZZ_CHECK(made != nullptr);
    base = made;
    fs::create_directories(base / "web" / "sub");
    std::ofstream(base / "web" / "index.html") << "<!doctype html>";
    std::ofstream(base / "web" / "sub" / "glue.js") << "var x;";
    std::ofstream(base / "secret.txt") << kSecret;
    fs::create_symlink(base / "secret.txt", base / "web" / "out.txt");
    fs::create_directory_symlink(base, base / "web" / "up");
    files = std::make_unique<server::WebFiles>((base / "web").string());
    std::string error;
    FUZZ_CHECK(files->Open(&error));
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(base, ec);
  }
  fs::path base;
  std::unique_ptr<server::WebFiles> files;
};

Folder& TheFolder() {
  static Folder folder;  // for the whole run; removed at its end
  return folder;
}

// A data area with a recognisable value at every byte.
void AreaBytes(uint32_t offset, uint32_t size, uint8_t* out) {
  for (uint32_t i = 0; i < size; ++i) out[i] = uint8_t((offset + i) * 37u + 11u);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Folder& folder = TheFolder();
  FuzzServer ws;
  ws.clear_access_channels(websocketpp::log::alevel::all);
  ws.clear_error_channels(websocketpp::log::elevel::all);
  std::ostringstream output;
  ws.register_ostream(&output);

  ws.set_http_handler([&](websocketpp::connection_hdl hdl) {
    FuzzServer::connection_ptr con = ws.get_con_from_hdl(hdl);
    const std::string& method = con->get_request().get_method();
    const std::string& target = con->get_request().get_uri();
    server::WebAnswer answer = folder.files->Answer(method, target, con->get_request().get_header("If-None-Match"));
    FUZZ_CHECK(answer.status == 200 || answer.status == 304 || answer.status == 404 || answer.status == 405);
    FUZZ_CHECK(answer.body.find(kSecret) == std::string::npos);
    FUZZ_CHECK(answer.status != 304 || answer.body.empty());
    std::string relative;
    if (answer.status == 200 || answer.status == 304) {
      FUZZ_CHECK(server::WebRelativePath(target, &relative));
      FUZZ_CHECK(!relative.empty() && relative[0] != '/');
      FUZZ_CHECK(relative.find("..") == std::string::npos && relative.find('\\') == std::string::npos);
      const std::string resolved = folder.files->Resolve(target);
      FUZZ_CHECK(resolved.compare(0, folder.files->Root().size() + 1, folder.files->Root() + "/") == 0);
    }
    con->set_status(websocketpp::http::status_code::value(answer.status));
    con->set_body(answer.body);
  });
  ws.set_validate_handler([&](websocketpp::connection_hdl hdl) {
    FuzzServer::connection_ptr con = ws.get_con_from_hdl(hdl);
    std::string target = con->get_request().get_uri();
    return target.substr(0, target.find('?')) == "/ws";
  });
  ws.set_message_handler([&](websocketpp::connection_hdl, FuzzServer::message_ptr message) {
    const std::string& payload = message->get_payload();
    FUZZ_CHECK(payload.size() <= server::kMaxWebSocketMessage);
    const std::string_view request = server::RequestOfMessage(payload);
    FUZZ_CHECK(request.size() + 1 >= payload.size());
    server::ParseResult parsed = server::ParseRequest(request);
    std::string reply;
    if (!parsed.ok) {
      reply = server::MalformedReply(parsed);
    } else {
      uint8_t bytes[server::kMaxTextSize];
      AreaBytes(parsed.request.offset, parsed.request.size, bytes);
      server::AppendReplyText(parsed.request, bytes, reply);
    }
    // What goes back as the message is what the TCP client reads before its zero byte.
    FUZZ_CHECK(reply.find('\0') == std::string::npos);
    FUZZ_CHECK(reply.size() <= server::kMaxTextSize + 32);
  });

  FuzzServer::connection_ptr con = ws.get_connection();
  con->start();
  // The bytes in pieces of a length the input's last byte picks, as a socket would hand them on.
  const size_t piece = size > 0 ? 1 + data[size - 1] % 64 : 1;
  for (size_t at = 0; at < size;) {
    const size_t n = std::min(piece, size - at);
    size_t taken = con->read_some(reinterpret_cast<const char*>(data) + at, n);
    if (taken == 0) break;
    at += taken;
  }
  con->eof();
  return 0;
}
