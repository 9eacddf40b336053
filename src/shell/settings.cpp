// ReadSettings: the data source and window position from "OrvaneGCPfd.INI" in the current directory.
#include "shell/settings.h"

#include <climits>

#include "platform/system.h"
#include "shell/ini_reader.h"

namespace {

constexpr double MinFps = 1.0;
constexpr double MaxFpsLimit = 1000.0;
constexpr int32_t MaxClientSide = 16384;
constexpr double MinScale = 0.5;
constexpr double MaxScale = 8.0;

// Decimal whole number with an optional sign, within the signed 32-bit range.
bool ParseInt32(const std::string& text, int32_t& out) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{INT32_MAX} + 1) return false;
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return false;
  out = static_cast<int32_t>(value);
  return true;
}

// Decimal number "digits[.digits]" (no sign, no exponent), read without regard to the locale.
bool ParseDecimal(const std::string& text, double& out) {
  double value = 0.0;
  double scale = 0.0;  // 0 while in the whole part
  bool digits = false;
  for (char c : text) {
    if (c == '.' && scale == 0.0) {
      scale = 0.1;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (scale == 0.0) {
        value = value * 10.0 + (c - '0');
        if (value > 1e9) return false;
      } else {
        value += (c - '0') * scale;
        scale /= 10.0;
      }
    } else {
      return false;
    }
  }
  if (!digits) return false;
  out = value;
  return true;
}

std::string Describe(const std::string& path, const char* section, const char* key,
                     const std::string& value) {
  return std::string("Settings file ") + path + ", section [" + section + "], key " + key +
         ": the value \"" + value + "\"";
}

bool ReadInt32(const IniReader& ini, const std::string& path, const char* key, int32_t& out,
               std::string& error) {
  const std::string value = ini.Get("WINDOW", key, "0");
  if (!ParseInt32(value, out)) {
    error = Describe(path, "WINDOW", key, value) +
            " is not a whole number between -2147483648 and 2147483647.";
    return false;
  }
  return true;
}

bool IsYes(const IniReader& ini, const char* section, const char* key) {
  return ini.Get(section, key, "") == "Y";
}

// A switch this program added: empty or N (any case) is off, Y (any case) is on, anything else is
// refused, so a typing slip or a comment after the value does not silently leave it off.
bool ReadSwitch(const IniReader& ini, const std::string& path, const char* section, const char* key, bool& out,
                std::string& error) {
  const std::string value = ini.Get(section, key, "");
  if (value.empty() || value == "N" || value == "n") {
    out = false;
    return true;
  }
  if (value == "Y" || value == "y") {
    out = true;
    return true;
  }
  error = Describe(path, section, key, value) + " is not Y or N.";
  return false;
}

// One of a key's words, in any case; empty or missing gives the first.
bool ReadChoice(const IniReader& ini, const std::string& path, const char* section, const char* key,
                const char* const* words, int count, int& out, std::string& error) {
  std::string value = ini.Get(section, key, "");
  std::string upper = value;
  for (char& c : upper) c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  if (upper.empty()) {
    out = 0;
    return true;
  }
  std::string list;
  for (int i = 0; i < count; ++i) {
    if (upper == words[i]) {
      out = i;
      return true;
    }
    list += std::string(i == 0 ? "" : i == count - 1 ? " or " : ", ") + words[i];
  }
  error = Describe(path, section, key, value) + " is not " + list + ".";
  return false;
}

// A UDP port number 1..65535, or the default when the key is not there.
bool ReadPort(const IniReader& ini, const std::string& path, const char* key, uint16_t& out, std::string& error) {
  const std::string value = ini.Get("SIMULATOR", key, "");
  if (value.empty()) return true;
  int32_t port = 0;
  if (value[0] == '+' || value[0] == '-' || !ParseInt32(value, port) || port < 1 || port > 65535) {
    error = Describe(path, "SIMULATOR", key, value) + " is not a UDP port number from 1 to 65535.";
    return false;
  }
  out = static_cast<uint16_t>(port);
  return true;
}

// [SIMULATOR] SOURCE and the keys of the X-Plane and FlightGear sources; network mode goes with IPC only.
bool ReadSimulatorSource(const IniReader& ini, const std::string& path, Settings& settings, std::string& error) {
  static const char* const kSources[] = {"IPC", "XPLANE", "FLIGHTGEAR"};  // in SimulatorKind's order
  int source = 0;
  if (!ReadChoice(ini, path, "SIMULATOR", "SOURCE", kSources, 3, source, error)) return false;
  settings.Simulator = static_cast<SimulatorKind>(source);
  const std::string host = ini.Get("SIMULATOR", "XPLANEHOST", "");
  if (!host.empty()) {
    if (!IsNumericAddress(host)) {
      error = Describe(path, "SIMULATOR", "XPLANEHOST", host) +
              " is not a numeric IPv4 or IPv6 address (such as 127.0.0.1 or 192.168.1.20).";
      return false;
    }
    settings.XPlane.Host = host;
  }
  if (!ReadPort(ini, path, "XPLANEPORT", settings.XPlane.Port, error)) return false;
  if (!ReadPort(ini, path, "FGPORT", settings.FlightGear.Port, error)) return false;
  if (settings.UseNetwork && settings.Simulator != SimulatorKind::Ipc) {
    const std::string given = ini.Get("SIMULATOR", "SOURCE", "");
    error = "Settings file " + path + ": section [LAN], key USELAN=Y (network mode, with ORVANEGCSERVER and "
            "ORVANEGCPORT) cannot be combined with section [SIMULATOR], key SOURCE=" + given +
            ": the display reads either the data server or the simulator. Set USELAN=N to read " + given +
            " here, or remove SOURCE to use the data server.";
    return false;
  }
  return true;
}

// A speed in knots of [AIRCRAFT] (none when the key is not there).
bool ReadKnots(const IniReader& ini, const std::string& path, const char* key, const char* what, double& out,
               std::string& error) {
  const std::string value = ini.Get("AIRCRAFT", key, "");
  if (value.empty()) return true;
  double kt = 0;
  if (!ParseDecimal(value, kt) || kt < 30 || kt > 999) {
    error = Describe(path, "AIRCRAFT", key, value) + " is not " + what + " in knots from 30 to 999.";
    return false;
  }
  out = kt;
  return true;
}

// [AIRCRAFT]: the aircraft's limits. Each is optional; a limit not given draws no band.
bool ReadAircraft(const IniReader& ini, const std::string& path, AircraftLimits& a, std::string& error) {
  if (!ReadKnots(ini, path, "VMO", "the maximum operating speed", a.maxOperatingSpeedKt, error)) return false;
  if (!ReadKnots(ini, path, "VLE", "the speed limit with the gear down", a.gearExtendedSpeedKt, error)) return false;
  if (!ReadKnots(ini, path, "STALL_CLEAN", "the stall speed with the flaps up", a.stallCleanKt, error)) return false;
  if (!ReadKnots(ini, path, "STALL_FULL_FLAP", "the stall speed with full flap", a.stallFullFlapKt, error))
    return false;
  const std::string mmo = ini.Get("AIRCRAFT", "MMO", "");
  if (!mmo.empty()) {
    double mach = 0;
    if (!ParseDecimal(mmo, mach) || mach < 0.3 || mach > 0.99) {
      error = Describe(path, "AIRCRAFT", "MMO", mmo) + " is not a maximum operating Mach from .30 to .99 (such as .82).";
      return false;
    }
    a.maxOperatingMach = mach;
  }
  const std::string vfe = ini.Get("AIRCRAFT", "VFE", "");
  if (!vfe.empty()) {
    size_t start = 0;
    while (start <= vfe.size()) {
      size_t end = vfe.find(',', start);
      if (end == std::string::npos) end = vfe.size();
      const std::string one = IniReader::Trim(vfe.substr(start, end - start));
      double kt = 0;
      if (!ParseDecimal(one, kt) || kt < 30 || kt > 999 || a.flapPlacardKt.size() >= 16) {
        error = Describe(path, "AIRCRAFT", "VFE", vfe) +
                " is not a list of flap placard speeds in knots from 30 to 999, one for each flap step after up "
                "(at most 16), separated by commas (such as 230,200,185,177).";
        a.flapPlacardKt.clear();
        return false;
      }
      a.flapPlacardKt.push_back(kt);
      start = end + 1;
    }
  }
  if (a.stallCleanKt > 0 && a.stallFullFlapKt > a.stallCleanKt) {
    error = "Settings file " + path + ", section [AIRCRAFT]: STALL_FULL_FLAP=" + ini.Get("AIRCRAFT", "STALL_FULL_FLAP", "") +
            " is above STALL_CLEAN=" + ini.Get("AIRCRAFT", "STALL_CLEAN", "") +
            "; the flaps lower the stall speed, so the full-flap figure is the lower one.";
    return false;
  }
  return true;
}

// [PFD] MINIMUMS: "RADIO 200" (feet of radio altitude) or "BARO 1200" (feet of altitude), any case.
bool ReadMinimums(const IniReader& ini, const std::string& path, MinimumsSetting& m, std::string& error) {
  const std::string value = ini.Get("PFD", "MINIMUMS", "");
  if (value.empty()) return true;
  std::string upper = value;
  for (char& c : upper) c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  const size_t space = upper.find(' ');
  const std::string word = upper.substr(0, space);
  const std::string number = space == std::string::npos ? "" : IniReader::Trim(upper.substr(space));
  int32_t ft = 0;
  const bool radio = word == "RADIO", baro = word == "BARO";
  const bool whole = !number.empty() && ParseInt32(number, ft);
  if (radio && whole && ft >= 0 && ft <= 2500) {
    m = {MinimumsKind::Radio, double(ft)};
    return true;
  }
  if (baro && whole && ft >= -1000 && ft <= 20000) {
    m = {MinimumsKind::Baro, double(ft)};
    return true;
  }
  error = Describe(path, "PFD", "MINIMUMS", value) +
          " is not RADIO and a radio altitude from 0 to 2500 feet (such as RADIO 200) or BARO and an altitude from "
          "-1000 to 20000 feet (such as BARO 1200).";
  return false;
}

}  // namespace

std::string SettingsFilePath() {
  return platform::CurrentDirectory() + platform::PathSeparator() + SettingsFileName;
}

bool ReadSettings(Settings& settings, std::string& error) {
  settings = Settings{};
  const std::string path = SettingsFilePath();
  if (!platform::FileExists(path)) return ParseSettings(path, "", settings, error);
  std::string text;
  if (!platform::ReadWholeFile(path, text, IniReader::MaxIniBytes)) {
    error = "Settings file " + path + " cannot be read or is larger than " +
            std::to_string(IniReader::MaxIniBytes) + " bytes.";
    return false;
  }
  return ParseSettings(path, text, settings, error);
}

bool ParseSettings(const std::string& path, const std::string& text, Settings& settings, std::string& error) {
  settings = Settings{};
  IniReader ini;
  std::string why;
  if (!ini.Parse(text, why)) {
    error = "Settings file " + path + " cannot be used: " + why + ".";
    return false;
  }

  // Network mode needs USELAN=Y, a server and a port.
  settings.UseNetwork = IsYes(ini, "LAN", "USELAN");
  const std::string server = ini.Get("LAN", "ORVANEGCSERVER", "");
  if (server.empty()) {
    settings.UseNetwork = false;
  } else {
    settings.Network.ServerAddress = server;
  }
  const std::string port = ini.Get("LAN", "ORVANEGCPORT", "");
  if (port.empty()) {
    settings.UseNetwork = false;
  } else {
    settings.Network.ServerPort = port;
  }

  if (!ReadInt32(ini, path, "X", settings.WindowX, error)) return false;
  if (!ReadInt32(ini, path, "Y", settings.WindowY, error)) return false;

  const std::string fps = ini.Get("WINDOW", "MAXFPS", "");
  if (!fps.empty()) {
    double value = 0.0;
    if (!ParseDecimal(fps, value) || value > MaxFpsLimit || (value != 0.0 && value < MinFps)) {
      error = Describe(path, "WINDOW", "MAXFPS", fps) +
              " is not a number of frames per second from 1 to 1000, or 0 for no cap.";
      return false;
    }
    settings.MaxFps = value;
  }
  if (!ReadSwitch(ini, path, "WINDOW", "VSYNC", settings.VSync, error)) return false;
  if (!ReadSwitch(ini, path, "LAN", "RECONNECT", settings.Network.Reconnect, error)) return false;
  if (!ReadSwitch(ini, path, "LAN", "PIPELINE", settings.Network.Pipeline, error)) return false;
  if (!ReadSwitch(ini, path, "SIMULATOR", "RECONNECT", settings.SimReconnect, error)) return false;
  if (!ReadSimulatorSource(ini, path, settings, error)) return false;

  // The window in a cockpit.
  auto readWhole = [&](const char* key, int32_t low, int32_t high, int32_t& out, const char* what) {
    const std::string value = ini.Get("WINDOW", key, "");
    if (value.empty()) return true;
    int32_t v = 0;
    if (!ParseInt32(value, v) || v < low || v > high) {
      error = Describe(path, "WINDOW", key, value) + " is not " + what + ".";
      return false;
    }
    out = v;
    return true;
  };
  if (!readWhole("WIDTH", 1, MaxClientSide, settings.Width, "a width in pixels from 1 to 16384")) return false;
  if (!readWhole("HEIGHT", 1, MaxClientSide, settings.Height, "a height in pixels from 1 to 16384")) return false;
  if (!readWhole("MONITOR", 1, 64, settings.Monitor, "a monitor number from 1 (the primary monitor) to 64"))
    return false;
  if (!readWhole("MSAA", 0, 8, settings.Msaa, "0, 2, 4 or 8 samples per pixel")) return false;
  if (settings.Msaa != 0 && settings.Msaa != 2 && settings.Msaa != 4 && settings.Msaa != 8) {
    error = Describe(path, "WINDOW", "MSAA", ini.Get("WINDOW", "MSAA", "")) + " is not 0, 2, 4 or 8 samples per pixel.";
    return false;
  }
  const std::string scale = ini.Get("WINDOW", "SCALE", "");
  if (!scale.empty()) {
    double value = 0.0;
    if (!ParseDecimal(scale, value) || value < MinScale || value > MaxScale) {
      error = Describe(path, "WINDOW", "SCALE", scale) + " is not a size factor from 0.5 to 8 (1 = today's size).";
      return false;
    }
    settings.Scale = value;
    // SCALE sizes the window from today's; WIDTH and HEIGHT give its size outright: one or the other.
    for (const char* key : {"WIDTH", "HEIGHT"}) {
      const std::string size = ini.Get("WINDOW", key, "");
      if (size.empty()) continue;
      error = "Settings file " + path + ", section [WINDOW]: SCALE=" + scale + " and " + key + "=" + size +
              " cannot be used together; give either SCALE or WIDTH and HEIGHT.";
      return false;
    }
  }
  if (!ReadSwitch(ini, path, "WINDOW", "BORDERLESS", settings.Borderless, error)) return false;
  if (!ReadSwitch(ini, path, "WINDOW", "FULLSCREEN", settings.Fullscreen, error)) return false;
  if (!ReadSwitch(ini, path, "WINDOW", "TOPMOST", settings.Topmost, error)) return false;
  static const char* const kRenderers[] = {"GL1", "GLES2"};
  int renderer = 0;
  if (!ReadChoice(ini, path, "WINDOW", "RENDERER", kRenderers, 2, renderer, error)) return false;
  settings.Renderer = renderer == 1 ? render::BackendKind::GLES2 : render::BackendKind::GL1;

  static const char* const kLayouts[] = {"CLASSIC", "FULL"};
  static const char* const kBaroUnits[] = {"HPA", "INHG"};
  int choice = 0;
  if (!ReadChoice(ini, path, "PFD", "LAYOUT", kLayouts, 2, choice, error)) return false;
  settings.Panel = choice == 1 ? PanelKind::Full : PanelKind::Classic;
  if (!ReadChoice(ini, path, "PFD", "BARO", kBaroUnits, 2, choice, error)) return false;
  settings.Baro = choice == 1 ? BaroUnit::InHg : BaroUnit::Hpa;
  if (!ReadMinimums(ini, path, settings.Envelope.minimums, error)) return false;
  if (!ReadSwitch(ini, path, "PFD", "FPV", settings.Envelope.flightPathVector, error)) return false;
  if (!ReadAircraft(ini, path, settings.Envelope.aircraft, error)) return false;
  return true;
}
