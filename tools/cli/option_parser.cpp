// The companion tools' command lines on CLI11: the tools' wording of errors and the layout of --help.
#include "cli/option_parser.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace toolcli {
namespace {

// The help starts with the tool's own usage line and description; options follow in their groups.
class ToolFormatter : public CLI::Formatter {
 public:
  explicit ToolFormatter(std::string usage) : usage_(std::move(usage)) {}
  std::string make_description(const CLI::App*) const override { return ""; }
  std::string make_usage(const CLI::App* app, std::string) const override {
    const std::string description = app->get_description();
    return usage_ + "\n" + description + (description.empty() || description.back() == '\n' ? "\n" : "\n\n");
  }
  // Groups one blank line apart (CLI11 puts two).
  std::string make_group(std::string group, bool isPositional, std::vector<const CLI::Option*> opts) const override {
    std::string text = group + ":\n";
    for (const CLI::Option* opt : opts) text += make_option(opt, isPositional);
    return text;
  }

 private:
  std::string usage_;
};

}  // namespace

OptionParser::OptionParser(const std::string& program, const std::string& usage, const std::string& description)
    : app_(std::make_unique<CLI::App>(description, program)) {
  app_->set_help_flag("");
  app_->allow_extras(true);  // unknown words are answered in the tools' own wording, in Parse
  app_->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  auto formatter = std::make_shared<ToolFormatter>(usage);
  formatter->column_width(24);
  app_->formatter(formatter);
}

OptionParser::~OptionParser() = default;

void OptionParser::Group(const std::string& title) { group_ = title.empty() ? "Options" : title; }

void OptionParser::NameColumn(std::size_t width) { app_->get_formatter()->column_width(width); }

void OptionParser::Footer(const std::string& text) { app_->footer(text); }

void OptionParser::HelpFlag(bool& into) { app_->add_flag("-h,--help", into, "this text")->group(group_); }

void OptionParser::Flag(const std::string& name, bool& into, const std::string& help) {
  app_->add_flag(name, into, help)->group(group_);
}

void OptionParser::Text(const std::string& name, const std::string& valueName, std::string& into,
                        const std::string& help, bool nonEmpty) {
  Custom(name, valueName,
         [&into, nonEmpty](const std::string& v) {
           if (nonEmpty && v.empty()) return false;
           into = v;
           return true;
         },
         nonEmpty ? "a text that is not empty" : "a text", help);
}

void OptionParser::Number(const std::string& name, const std::string& valueName, double& into,
                          const std::string& help, const NumberRange& range, bool* given) {
  Custom(name, valueName,
         [&into, range](const std::string& v) {
           double d = 0;
           if (!ParseNumber(v, d) || d < range.min || d > range.max) return false;
           into = d;
           return true;
         },
         range.expected, help, given);
}

void OptionParser::Custom(const std::string& name, const std::string& valueName,
                          std::function<bool(const std::string&)> take, const std::string& expected,
                          const std::string& help, bool* given) {
  app_->add_option_function<std::string>(
          name,
          [name, take, expected, given](const std::string& v) {
            if (!take(v)) throw CLI::ValidationError(InvalidValue(name, v, expected));
            if (given != nullptr) *given = true;
          },
          help)
      ->option_text(valueName)
      ->group(group_);
}

bool OptionParser::Parse(const std::vector<std::string>& args, std::string& error) {
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them from the back
  try {
    app_->parse(reversed);
  } catch (const CLI::ArgumentMismatch& e) {
    // A value goes missing only at the end of the line ("--out" or "--out=").
    const std::string last = args.empty() ? std::string() : args.back().substr(0, args.back().find('='));
    const std::string what = e.what();
    error = !last.empty() && what.rfind(last + ":", 0) == 0 ? "option " + last + " needs a value" : what;
    return false;
  } catch (const CLI::ParseError& e) {
    error = e.what();
    return false;
  }
  const std::vector<std::string> extra = app_->remaining();
  if (!extra.empty()) {
    const std::string& word = extra.front();
    error = (word.size() > 1 && word[0] == '-' ? "unknown option '" : "unexpected argument '") + word +
            "' (see --help)";
    return false;
  }
  return true;
}

std::string OptionParser::Help() const { return app_->help(); }

std::string OptionParser::InvalidValue(const std::string& name, const std::string& value,
                                       const std::string& expected) {
  return "invalid value '" + value + "' for " + name + " (expected " + expected + ")";
}

bool OptionParser::ParseNumber(const std::string& text, double& value) {
  double d = 0;
  if (!CLI::detail::lexical_cast(text, d) || !std::isfinite(d)) return false;
  value = d;
  return true;
}

bool OptionParser::ParseWhole(const std::string& text, bool hex, uint64_t& value) {
  const bool isHex = hex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = isHex ? text.substr(2) : text;
  if (digits.empty() || digits.size() > 20) return false;
  for (char c : digits)
    if (!(c >= '0' && c <= '9') && !(isHex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))) return false;
  errno = 0;
  const unsigned long long v = std::strtoull(digits.c_str(), nullptr, isHex ? 16 : 10);
  if (errno != 0) return false;
  value = v;
  return true;
}

}  // namespace toolcli
