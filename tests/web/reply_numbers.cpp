// Reads reply texts the way the display does (ParseReplyNumber) and prints what it made of each,
// so that the browser build's reading can be compared with the desktop's, line for line
// (tests/web/model_check.sh builds it both ways).
#include <cstdio>

#include "model/network_reply.h"

int main() {
  const char* const replies[] = {
      "0", "-0", "5000", "-1250", "2147483647", "-2147483648", "4294967295", "-3.25", "0.5", "1e-05", "0.1",
      "0.30000000000000004", "123456789012345678", "1.7976931348623157e308", "1e308", "1e309", "-1e309",
      "2.2250738585072014e-308", "4.9406564584124654e-324", "-1e-320", "1e-400", " 42 ", "  -7.5", "3,5", ".5",
      "5.", "1E3", "1e+3", "1e", "e5", "abc", "", " ", "1.2.3", "--1", "+1", "0x10", "nan", "inf", "1e-5 x"};
  for (const char* text : replies) {
    double value = -99;
    const bool ok = ParseReplyNumber(text, ',', &value);
    std::printf("\"%s\" -> %s %.17g\n", text, ok ? "number" : "refused", ok ? value : 0.0);
  }
  return 0;
}
