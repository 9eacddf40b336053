// ReadSettings against real settings files in a scratch current directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "shell/ini_reader.h"
#include "shell/settings.h"
#include "support/test_env.h"

namespace fs = std::filesystem;

namespace {

// Runs each test in its own empty current directory and restores the previous one afterwards.
class SettingsTest : public ::testing::Test {
 protected:

  void WriteIni(const std::string& text, const fs::path& where = {}) {
    std::ofstream out(where.empty() ? dir_ / "OrvaneGCPfd.INI" : where / "OrvaneGCPfd.INI", std::ios::binary);
    out << text;
  }

  // Reads the settings and expects success.
  void Read() {
    std::string error;
    ASSERT_TRUE(ReadSettings(s_, error)) << error;
  }

  // Reads the settings, expects a refusal and returns its message.
  std::string ReadError() {
    std::string error;
    EXPECT_FALSE(ReadSettings(s_, error));
    return error;
  }

  // The current directory for the test: a new folder, removed afterwards.
  orvane_test::TempFolder folder_{"orvane-settings", true};
  fs::path dir_ = folder_.Path();
  Settings s_;
};

const char* const kServerAndPort = "ORVANEGCSERVER=10.0.0.5\nORVANEGCPORT=2020\n";

TEST_F(SettingsTest, NoFileGivesSimulatorModeAtTheOrigin) {
  Read();
  EXPECT_FALSE(s_.UseNetwork);
  EXPECT_EQ(s_.Network.ServerAddress, "");
  EXPECT_EQ(s_.Network.ServerPort, "");
  EXPECT_EQ(s_.WindowX, 0);
  EXPECT_EQ(s_.WindowY, 0);
  EXPECT_EQ(s_.MaxFps, 0.0);
  EXPECT_FALSE(s_.VSync);
  EXPECT_FALSE(s_.Network.Reconnect);
  EXPECT_FALSE(s_.Network.Pipeline);
}

TEST_F(SettingsTest, FileInAnotherDirectoryIsNotRead) {
  fs::create_directories(dir_ / "elsewhere");
  WriteIni(std::string("[LAN]\nUSELAN=Y\n") + kServerAndPort + "[WINDOW]\nX=50\nY=60\n", dir_ / "elsewhere");
  Read();
  EXPECT_FALSE(s_.UseNetwork);
  EXPECT_EQ(s_.Network.ServerAddress, "");
  EXPECT_EQ(s_.WindowX, 0);
  EXPECT_EQ(s_.WindowY, 0);
}

TEST_F(SettingsTest, UseLanOtherThanExactlyCapitalYKeepsSimulatorMode) {
  for (const char* value : {"y", "Yes", "YES", "1", "true", "Y Y", "\"Y'"}) {
    WriteIni(std::string("[LAN]\nUSELAN=") + value + "\n" + kServerAndPort);
    Read();
    EXPECT_FALSE(s_.UseNetwork) << "USELAN=" << value;
    // Server and port are kept even though nothing uses them in simulator mode.
    EXPECT_EQ(s_.Network.ServerAddress, "10.0.0.5");
    EXPECT_EQ(s_.Network.ServerPort, "2020");
  }
}

TEST_F(SettingsTest, UseLanYInOnePairOfQuotesSelectsNetworkAsOnWindows) {
  for (const char* value : {"\"Y\"", "'Y'"}) {
    WriteIni(std::string("[LAN]\nUSELAN=") + value + "\n" + kServerAndPort);
    Read();
    EXPECT_TRUE(s_.UseNetwork) << "USELAN=" << value;
  }
}

TEST_F(SettingsTest, UseLanYWithBlanksAroundAndServerAndPortSelectsNetwork) {
  WriteIni("[LAN]\r\nUSELAN= \t Y \r\nORVANEGCSERVER =  pfd-server.local \r\nORVANEGCPORT= 02020 \r\n");
  Read();
  EXPECT_TRUE(s_.UseNetwork);
  EXPECT_EQ(s_.Network.ServerAddress, "pfd-server.local");
  EXPECT_EQ(s_.Network.ServerPort, "02020") << "the port stays text, leading zero included";
}

TEST_F(SettingsTest, SectionAndKeyNamesIgnoreCase) {
  WriteIni("[lan]\nuselan=Y\nOrvaneGcServer=h\norvanegcport=1\n[Window]\nx=7\n");
  Read();
  EXPECT_TRUE(s_.UseNetwork);
  EXPECT_EQ(s_.WindowX, 7);
}

TEST_F(SettingsTest, MissingOrEmptyServerOrPortFallsBackToSimulatorMode) {
  const char* cases[] = {
      "[LAN]\nUSELAN=Y\nORVANEGCSERVER=h\n",                     // no port
      "[LAN]\nUSELAN=Y\nORVANEGCPORT=1\n",                       // no server
      "[LAN]\nUSELAN=Y\nORVANEGCSERVER=h\nORVANEGCPORT=  \t\n",  // blank port
      "[LAN]\nUSELAN=Y\nORVANEGCSERVER=\nORVANEGCPORT=1\n",      // empty server
      "[LAN]\nUSELAN=Y\n[WINDOW]\nORVANEGCSERVER=h\nORVANEGCPORT=1\n",  // wrong section
  };
  for (const char* text : cases) {
    WriteIni(text);
    Read();
    EXPECT_FALSE(s_.UseNetwork) << text;
  }
}

TEST_F(SettingsTest, WindowPositionTakesSignedValuesAcrossThe32BitRange) {
  WriteIni("[WINDOW]\nX=-20\nY= +35 \n");
  Read();
  EXPECT_EQ(s_.WindowX, -20);
  EXPECT_EQ(s_.WindowY, 35);

  WriteIni("[WINDOW]\nX=2147483647\nY=-2147483648\n");
  Read();
  EXPECT_EQ(s_.WindowX, 2147483647);
  EXPECT_EQ(s_.WindowY, -2147483647 - 1);
}

TEST_F(SettingsTest, BadWindowPositionIsRefusedNamingFileKeyAndValue) {
  for (const char* value : {"12a", "2147483648", "-2147483649", "1.5", "0x10", "", "+", "- 3", "99999999999999999999"}) {
    WriteIni(std::string("[WINDOW]\nX=5\nY=") + value + "\n");
    const std::string error = ReadError();
    EXPECT_NE(error.find((dir_ / "OrvaneGCPfd.INI").filename().string()), std::string::npos) << error;
    EXPECT_NE(error.find(fs::current_path().string()), std::string::npos) << error;
    EXPECT_NE(error.find("key Y"), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("\"") + value + "\""), std::string::npos) << error;
  }
  WriteIni("[WINDOW]\nX=left\n");
  const std::string error = ReadError();
  EXPECT_NE(error.find("key X"), std::string::npos) << error;
  EXPECT_NE(error.find("\"left\""), std::string::npos) << error;
}

TEST_F(SettingsTest, MaxFpsAcceptsPositiveDecimalsAndZeroMeansNoCap) {
  const std::pair<const char*, double> cases[] = {
      {"60", 60.0}, {" 59.94 ", 59.94}, {"0", 0.0}, {"1", 1.0}, {"1000", 1000.0}, {"", 0.0}};
  for (const auto& c : cases) {
    WriteIni(std::string("[WINDOW]\nMAXFPS=") + c.first + "\n");
    Read();
    EXPECT_NEAR(s_.MaxFps, c.second, 1e-9) << "MAXFPS=" << c.first;
  }
}

TEST_F(SettingsTest, BadMaxFpsIsRefusedNamingTheKeyAndValue) {
  // Below one frame a second (other than 0, no cap) the panel would look frozen.
  for (const char* value : {"-5", "abc", "1e3", "60fps", "1000.5", "1,5", ".", "inf", "nan", "0.001", "0.99"}) {
    WriteIni(std::string("[WINDOW]\nMAXFPS=") + value + "\n");
    const std::string error = ReadError();
    EXPECT_NE(error.find("MAXFPS"), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("\"") + value + "\""), std::string::npos) << error;
  }
}

TEST_F(SettingsTest, SwitchesAreYOrNInAnyCaseAndAnythingElseIsRefused) {
  WriteIni("[WINDOW]\nVSYNC=Y\n[LAN]\nRECONNECT= y\nPIPELINE=Y \n");
  Read();
  EXPECT_TRUE(s_.VSync);
  EXPECT_TRUE(s_.Network.Reconnect);
  EXPECT_TRUE(s_.Network.Pipeline);

  WriteIni("[WINDOW]\nVSYNC=n\n[LAN]\nRECONNECT=N\nPIPELINE=\n");
  Read();
  EXPECT_FALSE(s_.VSync);
  EXPECT_FALSE(s_.Network.Reconnect);
  EXPECT_FALSE(s_.Network.Pipeline);

  // A comment after the value, a word or a number: said, not silently taken as off.
  const struct {
    const char* text;
    const char* key;
    const char* value;
  } refused[] = {
      {"[LAN]\nRECONNECT=Y                     ; optional: survive server restarts\n", "RECONNECT",
       "Y                     ; optional: survive server restarts"},
      {"[LAN]\nPIPELINE=yes\n", "PIPELINE", "yes"},
      {"[WINDOW]\nVSYNC=1\n", "VSYNC", "1"},
  };
  for (const auto& c : refused) {
    WriteIni(c.text);
    const std::string error = ReadError();
    EXPECT_NE(error.find("OrvaneGCPfd.INI"), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("key ") + c.key), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("\"") + c.value + "\""), std::string::npos) << error;
  }
}

TEST_F(SettingsTest, EveryReadStartsFromTheDefaults) {
  WriteIni(std::string("[LAN]\nUSELAN=Y\n") + kServerAndPort + "RECONNECT=Y\n[WINDOW]\nX=3\nY=4\nMAXFPS=30\nVSYNC=Y\n");
  Read();
  ASSERT_TRUE(s_.UseNetwork);
  fs::remove(dir_ / "OrvaneGCPfd.INI");
  Read();
  EXPECT_FALSE(s_.UseNetwork);
  EXPECT_EQ(s_.Network.ServerAddress, "");
  EXPECT_EQ(s_.Network.ServerPort, "");
  EXPECT_EQ(s_.WindowX, 0);
  EXPECT_EQ(s_.WindowY, 0);
  EXPECT_EQ(s_.MaxFps, 0.0);
  EXPECT_FALSE(s_.VSync);
  EXPECT_FALSE(s_.Network.Reconnect);
}

TEST_F(SettingsTest, UnusableFilesAreRefusedNamingTheFile) {
  WriteIni(std::string("[WINDOW]\nX=1\n") + std::string(IniReader::MaxIniBytes, ';'));
  std::string error = ReadError();
  EXPECT_NE(error.find("OrvaneGCPfd.INI"), std::string::npos) << error;
  EXPECT_NE(error.find(std::to_string(IniReader::MaxIniBytes)), std::string::npos) << error;

  WriteIni(std::string("[WINDOW]\nX=1\0\n", 14));
  error = ReadError();
  EXPECT_NE(error.find("OrvaneGCPfd.INI"), std::string::npos) << error;
  EXPECT_NE(error.find("zero byte"), std::string::npos) << error;
}

TEST_F(SettingsTest, ShippedSampleFileNamesEveryKeyAndGivesTheDefaults) {
  std::ifstream in(fs::path(ORVANE_SOURCE_DIR) / "dist" / "OrvaneGCPfd.INI", std::ios::binary);
  ASSERT_TRUE(in) << "dist/OrvaneGCPfd.INI";
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  IniReader ini;
  std::string error;
  ASSERT_TRUE(ini.Parse(text, error)) << error;
  for (const char* key : {"USELAN", "ORVANEGCSERVER", "ORVANEGCPORT", "RECONNECT", "PIPELINE"}) {
    EXPECT_TRUE(ini.Has("LAN", key)) << key;
  }
  for (const char* key : {"X", "Y", "MAXFPS", "VSYNC", "WIDTH", "HEIGHT", "SCALE", "BORDERLESS", "FULLSCREEN",
                          "TOPMOST", "MONITOR", "MSAA", "RENDERER"})
    EXPECT_TRUE(ini.Has("WINDOW", key)) << key;
  for (const char* key : {"RECONNECT", "SOURCE", "XPLANEHOST", "XPLANEPORT", "FGPORT"})
    EXPECT_TRUE(ini.Has("SIMULATOR", key)) << key;
  EXPECT_TRUE(ini.Has("PFD", "LAYOUT"));
  EXPECT_TRUE(ini.Has("PFD", "BARO"));

  WriteIni(text);
  Read();
  EXPECT_FALSE(s_.UseNetwork);
  EXPECT_EQ(s_.Network.ServerAddress, "");
  EXPECT_EQ(s_.WindowX, 0);
  EXPECT_EQ(s_.WindowY, 0);
  EXPECT_EQ(s_.MaxFps, 0.0);
  EXPECT_TRUE(s_.VSync) << "the sample ships paced to the screen";
  EXPECT_FALSE(s_.Network.Reconnect);
  EXPECT_FALSE(s_.Network.Pipeline);
  EXPECT_EQ(s_.Panel, PanelKind::Classic) << "the sample keeps today's panel";
  EXPECT_EQ(s_.Baro, BaroUnit::Hpa);
  EXPECT_EQ(s_.Simulator, SimulatorKind::Ipc);
  EXPECT_EQ(s_.XPlane.Host, "127.0.0.1");
  EXPECT_EQ(s_.XPlane.Port, 49000);
  EXPECT_EQ(s_.FlightGear.Port, 5500);
}

// One PC with X-Plane or FlightGear: the source, its keys, and every bad value named.
TEST_F(SettingsTest, SimulatorSourceXPlaneOrFlightGearWithTheirKeys) {
  WriteIni("[SIMULATOR]\nSOURCE=XPLANE\nXPLANEHOST=192.168.1.20\nXPLANEPORT=49001\n");
  Read();
  EXPECT_EQ(s_.Simulator, SimulatorKind::XPlane);
  EXPECT_EQ(s_.XPlane.Host, "192.168.1.20");
  EXPECT_EQ(s_.XPlane.Port, 49001);
  WriteIni("[SIMULATOR]\nSOURCE=flightgear\nFGPORT=5501\n");
  Read();
  EXPECT_EQ(s_.Simulator, SimulatorKind::FlightGear);
  EXPECT_EQ(s_.FlightGear.Port, 5501);
  WriteIni("[SIMULATOR]\nSOURCE=IPC\nXPLANEHOST=::1\n");
  Read();
  EXPECT_EQ(s_.Simulator, SimulatorKind::Ipc);
  EXPECT_EQ(s_.XPlane.Host, "::1");

  const struct {
    const char* key;
    const char* value;
  } bad[] = {{"SOURCE", "X-PLANE"},        {"SOURCE", "xplane11"}, {"XPLANEHOST", "xplane.local"},
             {"XPLANEHOST", "192.168.1"}, {"XPLANEHOST", "192.168.1.256"}, {"XPLANEHOST", "010.0.0.1"},
             {"XPLANEHOST", "::g"},       {"XPLANEPORT", "0"},    {"XPLANEPORT", "65536"},
             {"XPLANEPORT", "49000udp"},  {"FGPORT", "-5500"},    {"FGPORT", "+5500"}};
  for (const auto& c : bad) {
    WriteIni(std::string("[SIMULATOR]\n") + c.key + "=" + c.value + "\n");
    const std::string error = ReadError();
    EXPECT_NE(error.find("OrvaneGCPfd.INI"), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("key ") + c.key), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("\"") + c.value + "\""), std::string::npos) << error;
  }
  // Network mode and another simulator contradict each other: both keys are named.
  WriteIni(std::string("[LAN]\nUSELAN=Y\n") + kServerAndPort + "[SIMULATOR]\nSOURCE=FLIGHTGEAR\n");
  const std::string error = ReadError();
  EXPECT_NE(error.find("USELAN=Y"), std::string::npos) << error;
  EXPECT_NE(error.find("SOURCE=FLIGHTGEAR"), std::string::npos) << error;
  // Without a server network mode is off, and FlightGear is read.
  WriteIni("[LAN]\nUSELAN=Y\n[SIMULATOR]\nSOURCE=FLIGHTGEAR\n");
  Read();
  EXPECT_FALSE(s_.UseNetwork);
  EXPECT_EQ(s_.Simulator, SimulatorKind::FlightGear);
}

}  // namespace

namespace {

// The window keys of a cockpit set-up: read as given, and every bad value named with its key.
class WindowKeysTest : public ::testing::Test {
 protected:
  orvane_test::TempFolder folder_{"orvane-window-keys", true};
};

TEST_F(WindowKeysTest, ReadAsGivenAndOffByDefault) {
  Settings s;
  std::string error;
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "", s, error)) << error;
  EXPECT_FALSE(s.CustomWindow());
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI",
                            "[WINDOW]\nWIDTH=1024\nHEIGHT=768\nBORDERLESS=Y\nFULLSCREEN=y\nTOPMOST=Y\n"
                            "MONITOR=2\nMSAA=4\n",
                            s, error))
      << error;
  EXPECT_EQ(s.Width, 1024);
  EXPECT_EQ(s.Height, 768);
  EXPECT_TRUE(s.Borderless);
  EXPECT_TRUE(s.Fullscreen);
  EXPECT_TRUE(s.Topmost);
  EXPECT_EQ(s.Monitor, 2);
  EXPECT_EQ(s.Msaa, 4);
  EXPECT_TRUE(s.CustomWindow());
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[WINDOW]\nSCALE=1.5\n", s, error)) << error;
  EXPECT_DOUBLE_EQ(s.Scale, 1.5);
  EXPECT_TRUE(s.CustomWindow());
}

// The ends of each range are part of it.
TEST_F(WindowKeysTest, TheEdgesOfEachRangeAreAccepted) {
  const char* const good[] = {"WIDTH=1\nHEIGHT=16384", "WIDTH=16384\nHEIGHT=1", "SCALE=0.5", "SCALE=8",
                              "MSAA=8",                 "MSAA=0",                 "MONITOR=64"};
  for (const char* keys : good) {
    Settings s;
    std::string error;
    EXPECT_TRUE(ParseSettings("OrvaneGCPfd.INI", std::string("[WINDOW]\n") + keys + "\n", s, error)) << error;
  }
}

// SCALE sizes today's window, WIDTH and HEIGHT give a size: together they contradict each other.
TEST_F(WindowKeysTest, ScaleWithWidthOrHeightIsRefusedNamingBoth) {
  for (const char* other : {"WIDTH=800", "HEIGHT=600"}) {
    Settings s;
    std::string error;
    EXPECT_FALSE(ParseSettings("C:\\PFD\\OrvaneGCPfd.INI", std::string("[WINDOW]\nSCALE=2\n") + other + "\n", s,
                               error))
        << other;
    EXPECT_NE(error.find("C:\\PFD\\OrvaneGCPfd.INI"), std::string::npos) << error;
    EXPECT_NE(error.find("SCALE=2"), std::string::npos) << error;
    EXPECT_NE(error.find(other), std::string::npos) << error;
  }
}

TEST_F(WindowKeysTest, BadValuesAreRefusedNamingFileKeyAndValue) {
  const struct {
    const char* key;
    const char* value;
  } bad[] = {{"WIDTH", "0"},      {"WIDTH", "16385"}, {"HEIGHT", "768px"}, {"HEIGHT", "0"}, {"SCALE", "0.25"},
             {"SCALE", "9"},      {"SCALE", "2x"},    {"MONITOR", "0"},    {"MONITOR", "-1"},
             {"MSAA", "3"},       {"MSAA", "16"},     {"BORDERLESS", "1"}, {"FULLSCREEN", "yes"},
             {"TOPMOST", "true"}};
  for (const auto& c : bad) {
    Settings s;
    std::string error;
    EXPECT_FALSE(ParseSettings("C:\\PFD\\OrvaneGCPfd.INI", std::string("[WINDOW]\n") + c.key + "=" + c.value + "\n",
                               s, error))
        << c.key << "=" << c.value;
    EXPECT_NE(error.find("C:\\PFD\\OrvaneGCPfd.INI"), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("key ") + c.key), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("\"") + c.value + "\""), std::string::npos) << error;
  }
}

}  // namespace

namespace {

// The renderer: GL1 unless GLES2 is asked for, in any case; a bad word named with file and key.
TEST(WindowKeys, RendererIsGl1UnlessGles2IsAskedFor) {
  Settings s;
  std::string error;
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[WINDOW]\n", s, error)) << error;
  EXPECT_EQ(s.Renderer, render::BackendKind::GL1);
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[WINDOW]\nRENDERER=GLES2\n", s, error)) << error;
  EXPECT_EQ(s.Renderer, render::BackendKind::GLES2);
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[window]\nrenderer= gles2 \n", s, error)) << error;
  EXPECT_EQ(s.Renderer, render::BackendKind::GLES2);
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[WINDOW]\nRENDERER=GL1\n", s, error)) << error;
  EXPECT_EQ(s.Renderer, render::BackendKind::GL1);
  for (const char* value : {"GL2", "OPENGL", "GLES3", "Y"}) {
    EXPECT_FALSE(ParseSettings("C:\\PFD\\OrvaneGCPfd.INI", std::string("[WINDOW]\nRENDERER=") + value + "\n", s, error))
        << value;
    EXPECT_NE(error.find("C:\\PFD\\OrvaneGCPfd.INI"), std::string::npos) << error;
    EXPECT_NE(error.find("key RENDERER"), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("\"") + value + "\""), std::string::npos) << error;
  }
}

// The picture's keys: today's panel in hPa unless asked otherwise, and a bad word named.
TEST(PfdKeys, LayoutAndBaroReadInAnyCaseWithTodaysPanelByDefault) {
  Settings s;
  std::string error;
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[PFD]\n", s, error)) << error;
  EXPECT_EQ(s.Panel, PanelKind::Classic);
  EXPECT_EQ(s.Baro, BaroUnit::Hpa);
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[PFD]\nLAYOUT=FULL\nBARO=INHG\n", s, error)) << error;
  EXPECT_EQ(s.Panel, PanelKind::Full);
  EXPECT_EQ(s.Baro, BaroUnit::InHg);
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[pfd]\nlayout= Full \nbaro=inHg\n", s, error)) << error;
  EXPECT_EQ(s.Panel, PanelKind::Full);
  EXPECT_EQ(s.Baro, BaroUnit::InHg);
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[PFD]\nLAYOUT=CLASSIC\nBARO=HPA\n", s, error)) << error;
  EXPECT_EQ(s.Panel, PanelKind::Classic);
  EXPECT_EQ(s.Baro, BaroUnit::Hpa);

  const struct {
    const char* key;
    const char* value;
  } bad[] = {{"LAYOUT", "FULLL"}, {"LAYOUT", "Y"}, {"LAYOUT", "FULL ; the new one"}, {"BARO", "MB"}, {"BARO", "IN"}};
  for (const auto& c : bad) {
    EXPECT_FALSE(ParseSettings("C:\\PFD\\OrvaneGCPfd.INI", std::string("[PFD]\n") + c.key + "=" + c.value + "\n", s, error))
        << c.key << "=" << c.value;
    EXPECT_NE(error.find("C:\\PFD\\OrvaneGCPfd.INI"), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("key ") + c.key), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("\"") + c.value + "\""), std::string::npos) << error;
  }
}

}  // namespace

namespace {

// The aircraft's limits: each optional, the flap placards one per step, bad values named.
TEST(AircraftKeys, An737800sLimitsAreReadAndBadOnesNamedWithFileKeyAndValue) {
  Settings s;
  std::string error;
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[PFD]\n", s, error)) << error;
  EXPECT_EQ(s.Envelope.aircraft.maxOperatingSpeedKt, 0) << "no limit unless given";
  EXPECT_TRUE(s.Envelope.aircraft.flapPlacardKt.empty());
  EXPECT_EQ(s.Envelope.minimums.kind, MinimumsKind::None);
  EXPECT_FALSE(s.Envelope.flightPathVector);
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI",
                            "[AIRCRAFT]\nVMO=340\nMMO=.82\nVLE=320\nVFE=250, 250,250,210,200,190,175,162\n"
                            "STALL_CLEAN=150\nSTALL_FULL_FLAP=112\n[PFD]\nMINIMUMS=radio 200\nFPV=Y\n",
                            s, error))
      << error;
  const AircraftLimits& a = s.Envelope.aircraft;
  EXPECT_EQ(a.maxOperatingSpeedKt, 340);
  EXPECT_DOUBLE_EQ(a.maxOperatingMach, 0.82);
  EXPECT_EQ(a.gearExtendedSpeedKt, 320);
  EXPECT_EQ(a.flapPlacardKt, (std::vector<double>{250, 250, 250, 210, 200, 190, 175, 162}));
  EXPECT_EQ(a.stallCleanKt, 150);
  EXPECT_EQ(a.stallFullFlapKt, 112);
  EXPECT_EQ(s.Envelope.minimums.kind, MinimumsKind::Radio);
  EXPECT_EQ(s.Envelope.minimums.ft, 200);
  EXPECT_TRUE(s.Envelope.flightPathVector);
  ASSERT_TRUE(ParseSettings("OrvaneGCPfd.INI", "[PFD]\nMINIMUMS=BARO 1200\n", s, error)) << error;
  EXPECT_EQ(s.Envelope.minimums.kind, MinimumsKind::Baro);
  EXPECT_EQ(s.Envelope.minimums.ft, 1200);

  const struct {
    const char* section;
    const char* key;
    const char* value;
  } bad[] = {{"AIRCRAFT", "VMO", "3400"},        {"AIRCRAFT", "VMO", "340 kt"},  {"AIRCRAFT", "MMO", "82"},
             {"AIRCRAFT", "VLE", "-270"},        {"AIRCRAFT", "VFE", "230,,200"}, {"AIRCRAFT", "VFE", "230;200"},
             {"AIRCRAFT", "STALL_CLEAN", "0"},   {"PFD", "MINIMUMS", "200"},     {"PFD", "MINIMUMS", "RADIO"},
             {"PFD", "MINIMUMS", "RADIO 3000"},  {"PFD", "MINIMUMS", "DH 200"},  {"PFD", "FPV", "YES"}};
  for (const auto& c : bad) {
    const std::string text = std::string("[") + c.section + "]\n" + c.key + "=" + c.value + "\n";
    EXPECT_FALSE(ParseSettings("C:\\PFD\\OrvaneGCPfd.INI", text, s, error)) << text;
    EXPECT_NE(error.find("C:\\PFD\\OrvaneGCPfd.INI"), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("key ") + c.key), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("\"") + c.value + "\""), std::string::npos) << error;
  }
  // Full flap stalls lower than clean.
  EXPECT_FALSE(ParseSettings("OrvaneGCPfd.INI", "[AIRCRAFT]\nSTALL_CLEAN=112\nSTALL_FULL_FLAP=150\n", s, error));
  EXPECT_NE(error.find("STALL_FULL_FLAP=150"), std::string::npos) << error;
}

}  // namespace
