// The companion tools' command lines, declared on CLI11: one wording for errors, one layout for --help.
//
// Every value option names its value in the help ("--port N"), and a bad value is answered
// "invalid value 'VALUE' for --NAME (expected WHAT)"; a word the tool does not know is
// "unknown option '--NAME' (see --help)"; an option at the end without its value is
// "option --NAME needs a value". The tools exit with kBadCommandLine on any of them.
// A repeated option takes its last value.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

namespace toolcli {

// The exit code of every tool for a bad command line.
constexpr int kBadCommandLine = 2;

// The limits of a number option and how the error message says them ("seconds, 0 or more").
struct NumberRange {
  double min = -1e300;
  double max = 1e300;
  std::string expected = "a number";
};

class OptionParser {
 public:
  // `usage` is the help's first line; `description` the lines under it.
  OptionParser(const std::string& program, const std::string& usage, const std::string& description);
  ~OptionParser();
  OptionParser(const OptionParser&) = delete;
  OptionParser& operator=(const OptionParser&) = delete;

  // The options added from here on are listed in --help under this title ("" = "Options").
  void Group(const std::string& title);
  // The help's width of the option column (default 24).
  void NameColumn(std::size_t width);
  // Text after the options in --help.
  void Footer(const std::string& text);

  // "-h,--help": sets `into`, and the tool prints Help().
  void HelpFlag(bool& into);
  void Flag(const std::string& name, bool& into, const std::string& help);
  // Any text; `nonEmpty` refuses "".
  void Text(const std::string& name, const std::string& valueName, std::string& into, const std::string& help,
            bool nonEmpty = false);
  // A finite number within `range`; `given` (optional) is set when the option is there.
  void Number(const std::string& name, const std::string& valueName, double& into, const std::string& help,
              const NumberRange& range = {}, bool* given = nullptr);
  // A whole decimal number from `min` to `max` (with `hex`, 0x hexadecimal too), into any integer.
  template <typename T>
  void Whole(const std::string& name, const std::string& valueName, T& into, uint64_t min, uint64_t max,
             const std::string& expected, const std::string& help, bool* given = nullptr, bool hex = false) {
    Custom(name, valueName,
           [&into, min, max, hex](const std::string& v) {
             uint64_t n = 0;
             if (!ParseWhole(v, hex, n) || n < min || n > max) return false;
             into = T(n);
             return true;
           },
           expected, help, given);
  }
  // One of the listed words.
  template <typename T>
  void Choice(const std::string& name, const std::string& valueName, T& into,
              std::vector<std::pair<std::string, T>> choices, const std::string& help, bool* given = nullptr) {
    std::string expected;
    for (size_t i = 0; i < choices.size(); ++i)
      expected += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + choices[i].first;
    Custom(name, valueName,
           [&into, choices](const std::string& v) {
             for (const auto& [word, value] : choices)
               if (v == word) {
                 into = value;
                 return true;
               }
             return false;
           },
           expected, help, given);
  }
  // An option whose value `take` converts and stores; false refuses it, the message saying `expected`.
  void Custom(const std::string& name, const std::string& valueName, std::function<bool(const std::string&)> take,
              const std::string& expected, const std::string& help, bool* given = nullptr);

  // Parses the arguments after the program name; false with the error message.
  bool Parse(const std::vector<std::string>& args, std::string& error);
  // The --help text.
  std::string Help() const;

  // "invalid value 'VALUE' for NAME (expected EXPECTED)": for checks made after parsing too.
  static std::string InvalidValue(const std::string& name, const std::string& value, const std::string& expected);
  // A whole-string finite number.
  static bool ParseNumber(const std::string& text, double& value);
  // A whole decimal number, or with `hex` also 0x hexadecimal, with no sign or blanks.
  static bool ParseWhole(const std::string& text, bool hex, uint64_t& value);

 private:
  std::unique_ptr<CLI::App> app_;
  std::string group_ = "Options";
};

}  // namespace toolcli
