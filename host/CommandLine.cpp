#include "CommandLine.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string_view>

#include "common/Text.h"

namespace {

// The value of a numeric option: the whole text must be the number, within the limits.
template <class T>
bool ReadNumber(const std::string& option, const std::string& text, T low, T high, T& value, std::string& error) {
  T parsed{};
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || status != std::errc() || end != text.data() + text.size() || !std::isfinite(double(parsed))) {
    error = option + ": \"" + text + "\" is not " + (std::is_integral_v<T> ? "a whole number" : "a number");
    return false;
  }
  if (parsed < low || parsed > high) {
    char range[96];
    std::snprintf(range, sizeof range, " is out of range (%.10g to %.10g)", double(low), double(high));
    error = option + ": " + text + range;
    return false;
  }
  value = parsed;
  return true;
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    const char c = text[text.size() - tail.size() + i];
    if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != tail[i]) return false;
  }
  return true;
}

}  // namespace

bool ParseDemoCommandLine(const std::vector<std::string>& args, SDemoOptions& o, std::string& error) {
  bool sweepsSet = false, snapshotSet = false;
  // What each option does with its value; flags take none.
  using Reader = std::function<bool(const std::string& option, const std::string& value)>;
  const auto text = [](std::string& target) {
    return [&target](const std::string&, const std::string& value) {
      target = value;
      return true;
    };
  };
  const std::vector<std::pair<std::string, Reader>> valued = {
      {"--layout", text(o.layout)},
      {"--bus-name", [&](const std::string& opt, const std::string& v) {
         // A well-known bus name: dot-separated elements of letters, digits, "_" and "-".
         const bool valid = !v.empty() && v.size() <= 255 && v.find('.') != std::string::npos && v.front() != '.' &&
                            v.back() != '.' && v.find("..") == std::string::npos &&
                            v.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-.") ==
                                std::string::npos;
         o.busName = v;
         if (!valid) error = opt + ": \"" + v + "\" is not a session-bus name (like org.example.Name)";
         return valid;
       }},
      {"--save-layout", text(o.saveLayout)},
      {"--points", [&](const std::string& opt, const std::string& v) { return ReadNumber(opt, v, 2, kDemoMaxPoints, o.points, error); }},
      {"--rate", [&](const std::string& opt, const std::string& v) { return ReadNumber(opt, v, kDemoMinRate, kDemoMaxRate, o.rate, error); }},
      {"--sweeps", [&](const std::string& opt, const std::string& v) {
         sweepsSet = true;
         return ReadNumber(opt, v, 1, kDemoMaxSweeps, o.sweeps, error);
       }},
      {"--duration", [&](const std::string& opt, const std::string& v) {
         return ReadNumber(opt, v, 0.1, kDemoMaxDuration, o.duration, error);
       }},
      {"--snapshot", [&](const std::string& opt, const std::string& v) {
         snapshotSet = true;
         o.snapshot = v;
         if (EndsWithNoCase(v, ".png") || EndsWithNoCase(v, ".svg") || EndsWithNoCase(v, ".pdf")) return true;
         error = opt + ": \"" + v + "\" must end in .png, .svg or .pdf";
         return false;
       }},
      {"--theme", [&](const std::string& opt, const std::string& v) {
         const char* names[] = {"auto", "standard", "black", "retro"};
         for (int i = 0; i < 4; ++i)
           if (v == names[i]) {
             o.theme = i - 1;
             return true;
           }
         error = opt + ": \"" + v + "\" is not a theme (auto, standard, black or retro)";
         return false;
       }},
      {"--filters", [&](const std::string& opt, const std::string& v) {
         o.filters.clear();
         std::size_t begin = 0;
         while (begin <= v.size()) {
           std::size_t end = v.find(',', begin);
           if (end == std::string::npos) end = v.size();
           const std::string name = v.substr(begin, end - begin);
           begin = end + 1;
           const bool valid = !name.empty() && name.find_first_not_of(
               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos;
           if (!valid) {
             error = opt + ": \"" + v + "\" is not a comma-separated list of filter names";
             return false;
           }
           o.filters.push_back(Utf8ToWide(name));
         }
         return true;
       }},
  };
  const std::vector<std::pair<std::string, bool*>> flags = {
      {"--help", &o.help}, {"-h", &o.help}, {"--version", &o.version}, {"-v", &o.version},
      {"--offscreen", &o.offscreen}, {"--list-plugins", &o.listPlugins}, {"--serve", &o.serve},
      {"--no-bus", &o.noBus}, {"--touch", &o.touch}};

  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i];
    std::string value;
    bool inlineValue = false;
    if (const std::size_t eq = option.find('='); option.starts_with("--") && eq != std::string::npos) {
      value = option.substr(eq + 1);
      option.resize(eq);
      inlineValue = true;
    }
    bool known = false;
    for (const auto& [name, flag] : flags) {
      if (name != option) continue;
      known = true;
      if (inlineValue) {
        error = option + " takes no value";
        return false;
      }
      *flag = true;
    }
    for (const auto& [name, read] : valued) {
      if (name != option) continue;
      known = true;
      if (!inlineValue) {
        if (i + 1 >= args.size()) {
          error = option + " needs a value";
          return false;
        }
        value = args[++i];
      }
      if (!read(option, value)) return false;
    }
    if (!known) {
      error = option.starts_with("-") ? "unknown option " + option : "unexpected argument \"" + option + "\"";
      return false;
    }
  }
  if (!o.offscreen && (sweepsSet || snapshotSet)) {
    error = std::string(sweepsSet ? "--sweeps" : "--snapshot") + " applies only with --offscreen";
    return false;
  }
  if (o.serve && (!o.offscreen || sweepsSet || snapshotSet)) {
    error = "--serve applies only with --offscreen, and without --sweeps or --snapshot";
    return false;
  }
  if (o.noBus && !o.busName.empty()) {
    error = "--bus-name and --no-bus exclude each other";
    return false;
  }
  if (sweepsSet && o.duration > 0) {
    error = "--sweeps and --duration exclude each other";
    return false;
  }
  return true;
}

std::string DemoHelpText() {
  return R"(Usage: plotvane-demo [options]
A host window with the Plotvane diagram area, fed by a simulated two-port vector network
analyser and a spectrum analyser.

  --layout FILE        layout to load, or the name of one that comes with the demo
                       ("default", "spectrogram"; default: "default")
  --points N           points per sweep, 2 to 1000001 (default 1601)
  --rate HZ            sweeps per second, 0.1 to 200 (default 20)
  --duration S         run for S seconds, then quit (offscreen: report the sweep rate)
  --theme NAME         diagram colours: auto (follow the desktop palette), standard, black, retro
  --filters A,B        filter plug-ins each trace gets, in order (default QUANTITY)
  --touch              touch-screen mode: large trace lists and icons
  --offscreen          run without a display and write a picture of the area
  --sweeps N           offscreen: sweeps to run as fast as they go (default 40)
  --snapshot FILE      offscreen: picture to write, .png, .svg or .pdf (default demo.png)
  --serve              offscreen: keep sweeping and serving scripts until stopped
  --bus-name NAME      session-bus name of the automation objects
                       (default org.plotvane.Demo.Pid<process id>)
  --no-bus             do not offer the automation objects on the session bus
  --save-layout FILE   write the built-in layout to FILE and exit
  --list-plugins       print the plug-in search path and the packages found, and exit
  -h, --help           print this text and exit
  -v, --version        print the version and exit

Plug-in packages are looked for in diagram_plugins/ beside the program, then in the folders
of PLOTVANE_PLUGIN_PATH (colon-separated), then in the folder installed with the library.
)";
}
