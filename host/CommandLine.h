#pragma once
// The demo's command line, checked before anything starts: every option and value is
// validated, and a mistake is reported with the option it concerns (exit status 2) instead
// of being taken as some default.
#include <string>
#include <vector>

struct SDemoOptions {
  bool help = false;
  bool version = false;
  bool listPlugins = false;
  bool offscreen = false;
  bool touch = false;               // touch trace lists and large icons
  std::string layout;
  std::string saveLayout;
  int points = 1601;
  double rate = 20;                 // sweeps per second
  int sweeps = 40;                  // offscreen: sweeps run as fast as they go
  double duration = 0;              // seconds of sweeps at the rate; 0: not timed
  std::string snapshot = "demo.png";
  int theme = -1;                   // -1 follows the desktop palette, else a theme index
  std::vector<std::wstring> filters{L"QUANTITY"};
  bool serve = false;               // offscreen: keep sweeping and serving scripts until stopped
  bool noBus = false;               // no automation objects on the session bus
  std::string busName;              // session-bus name; empty: org.plotvane.Demo.Pid<pid>
};

// Limits of the numeric options.
inline constexpr int kDemoMaxPoints = 1000001;
inline constexpr double kDemoMinRate = 0.1, kDemoMaxRate = 200;
inline constexpr int kDemoMaxSweeps = 1000000;
inline constexpr double kDemoMaxDuration = 86400;

// Reads argv[1…]. False with a one-line message naming the option when something is wrong.
bool ParseDemoCommandLine(const std::vector<std::string>& args, SDemoOptions& options, std::string& error);
std::string DemoHelpText();
