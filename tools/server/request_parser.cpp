// Parsing of "offset,size,type" requests and framing of the request stream; pure, no I/O.
#include "server/request_parser.h"

#include <cstring>

namespace server {
namespace {

// Reads an unsigned decimal field (digits only, at most 9 of them so it cannot overflow).
bool ParseField(std::string_view text, uint32_t* value) {
  if (text.empty() || text.size() > 9) return false;
  uint32_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + uint32_t(c - '0');
  }
  *value = v;
  return true;
}

ParseResult Refuse(const char* why, bool wantsText) {
  ParseResult r;
  r.ok = false;
  r.wantsText = wantsText;
  r.error = why;
  return r;
}

}  // namespace

uint32_t FixedSizeOf(TypeCode type) {
  switch (type) {
    case TypeCode::Int32Alt: return 4;
    case TypeCode::Float64: return 8;
    case TypeCode::Int8: return 1;
    case TypeCode::Int16: return 2;
    case TypeCode::Int32: return 4;
    case TypeCode::Text: return 0;
  }
  return 0;
}

ParseResult ParseRequest(std::string_view text) {
  size_t c1 = text.find(',');
  size_t c2 = c1 == std::string_view::npos ? c1 : text.find(',', c1 + 1);
  if (c2 == std::string_view::npos) return Refuse("not three comma-separated fields", false);
  std::string_view offsetText = text.substr(0, c1);
  std::string_view sizeText = text.substr(c1 + 1, c2 - c1 - 1);
  std::string_view typeText = text.substr(c2 + 1);

  uint32_t typeValue = 0;
  bool typeOk = ParseField(typeText, &typeValue);
  bool wantsText = typeOk && typeValue == 7;
  if (typeText.find(',') != std::string_view::npos) return Refuse("more than three fields", false);

  uint32_t offset = 0, size = 0;
  if (!ParseField(offsetText, &offset)) return Refuse("offset is not an unsigned decimal number", wantsText);
  if (!ParseField(sizeText, &size)) return Refuse("size is not an unsigned decimal number", wantsText);
  if (!typeOk) return Refuse("type code is not an unsigned decimal number", false);

  TypeCode type;
  switch (typeValue) {
    case 1: type = TypeCode::Int32Alt; break;
    case 2: type = TypeCode::Float64; break;
    case 3: type = TypeCode::Int8; break;
    case 4: type = TypeCode::Int16; break;
    case 5: type = TypeCode::Int32; break;
    case 7: type = TypeCode::Text; break;
    default: return Refuse("unknown type code", false);
  }
  if (offset >= kAreaSize) return Refuse("offset beyond the 64 KiB data area", wantsText);
  if (type == TypeCode::Text) {
    if (size < 1 || size > kMaxTextSize) return Refuse("text size outside 1..255", true);
  } else if (size != FixedSizeOf(type)) {
    return Refuse("size does not match the type code", false);
  }
  if (offset + size > kAreaSize) return Refuse("value runs past the end of the 64 KiB data area", wantsText);

  ParseResult r;
  r.ok = true;
  r.wantsText = wantsText;
  r.request.offset = offset;
  r.request.size = size;
  r.request.type = type;
  return r;
}

const char* MalformedReply(const ParseResult& result) { return result.wantsText ? "" : "0"; }

void RequestFramer::Append(const char* data, size_t n) {
  if (start_ > 0 && start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
    scan_ = 0;
  }
  buffer_.append(data, n);
}

RequestFramer::Next RequestFramer::Take(std::string& request) {
  const size_t available = buffer_.size() - start_;
  const void* hit = available > scan_ ? std::memchr(buffer_.data() + start_ + scan_, 0, available - scan_) : nullptr;
  if (hit == nullptr) {
    scan_ = available;
    // Drop the taken bytes so the buffer only holds the unterminated tail.
    if (start_ > 0) {
      buffer_.erase(0, start_);
      start_ = 0;
    }
    return available > kMaxRequestLength ? Next::Overlong : Next::NeedMore;
  }
  size_t end = size_t(static_cast<const char*>(hit) - buffer_.data());
  if (end - start_ > kMaxRequestLength) return Next::Overlong;
  request.assign(buffer_, start_, end - start_);
  start_ = end + 1;
  scan_ = 0;
  return Next::Request;
}

std::string_view RequestOfMessage(std::string_view message) {
  if (!message.empty() && message.back() == '\0') message.remove_suffix(1);
  return message;
}

}  // namespace server
