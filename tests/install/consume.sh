#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as another team would: checks the
# installed layout, builds the example filter package and a small host with find_package,
# builds the same host with pkg-config, and lets the installed demo list what it finds.
# Usage: consume.sh <build dir> <source dir> <work dir> <multiarch>
set -euo pipefail
build=$1 source=$2 work=$3 arch=$4
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
libdir=$prefix/lib/$arch
export XDG_CACHE_HOME=$work/cache XDG_STATE_HOME=$work/state
unset PLOTVANE_PLUGIN_PATH DISPLAY WAYLAND_DISPLAY

fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }
configure() {  # configure <source> <binary> [cmake arguments...]
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_PREFIX_PATH="$prefix" "${launcher[@]}" "${@:3}"
}

step "install into $prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"
for f in include/plotvane/filters/Filter.h include/plotvane/core/PluginApi.h include/plotvane/interfaces/FilterTrace.h \
         include/plotvane/control/DiagramControl.h include/plotvane/ui/PlotvaneArea.h \
         "lib/$arch/libplotvane.so" "lib/$arch/libplotvane-qt.so" "lib/$arch/plotvane/diagram_plugins/FilterQuantity.so" \
         "lib/$arch/plotvane/plotvane-plugin-scan" "lib/$arch/cmake/Plotvane/PlotvaneConfig.cmake" \
         "lib/$arch/cmake/Plotvane/PlotvaneConfigVersion.cmake" "lib/$arch/pkgconfig/plotvane.pc" \
         "lib/$arch/pkgconfig/plotvane-qt.pc" share/locale/en/LC_MESSAGES/QuorDiagram.mo \
         share/plotvane/layouts/default.xml bin/plotvane-demo share/doc/plotvane-dev/examples/filter-plugin/CMakeLists.txt; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
for lib in plotvane plotvane-qt; do
  soname=$(readelf -d "$libdir/lib$lib.so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
  [ "$soname" = "lib$lib.so.0" ] || fail "lib$lib.so has SONAME '$soname'"
  [ -L "$libdir/lib$lib.so.0" ] || fail "lib$lib.so.0 is not a link to the versioned file"
done

step "the example filter package, with find_package"
configure "$source/examples/filter-plugin" "$work/example" >"$work/example.log" || { cat "$work/example.log"; fail "configure example"; }
cmake --build "$work/example" >>"$work/example.log" || { cat "$work/example.log"; fail "build example"; }
[ -f "$work/example/FilterMovingAverage.so" ] || fail "the example built no FilterMovingAverage.so"

step "a package of another major version is not offered"
mkdir -p "$work/major"
printf 'cmake_minimum_required(VERSION 3.25)\nproject(Major CXX)\nfind_package(Plotvane 1 CONFIG REQUIRED)\n' >"$work/major/CMakeLists.txt"
if configure "$work/major" "$work/major/build" >"$work/major.log" 2>&1; then fail "find_package(Plotvane 1) succeeded"; fi
grep -q "compatible with requested version" "$work/major.log" || { cat "$work/major.log"; fail "no version mismatch reported"; }

step "a host with find_package(Plotvane COMPONENTS qt) loads the example from PLOTVANE_PLUGIN_PATH"
configure "$source/tests/install/consumer" "$work/consumer" >"$work/consumer.log" || { cat "$work/consumer.log"; fail "configure host"; }
cmake --build "$work/consumer" >>"$work/consumer.log" || { cat "$work/consumer.log"; fail "build host"; }
PLOTVANE_PLUGIN_PATH="$work/nonexistent:$work/example" "$work/consumer/consumer"

step "the same host with pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(pkg-config --modversion plotvane-qt)" = "$(pkg-config --modversion plotvane)" ] || fail "pkg-config versions differ"
# shellcheck disable=SC2046
c++ -std=c++20 -fPIC -o "$work/pkgconfig-host" "$source/tests/install/consumer/Host.cpp" \
  $(pkg-config --cflags --libs plotvane-qt) -Wl,-rpath,"$(pkg-config --variable=libdir plotvane)"
PLOTVANE_PLUGIN_PATH="$work/example" "$work/pkgconfig-host"

step "the installed demo: search path and packages"
PLOTVANE_PLUGIN_PATH="$work/example" "$prefix/bin/plotvane-demo" --list-plugins >"$work/plugins.txt"
cat "$work/plugins.txt"
expected_path="search path:
  $prefix/bin/diagram_plugins
  $work/example
  $libdir/plotvane/diagram_plugins"
[ "$(head -4 "$work/plugins.txt")" = "$expected_path" ] || fail "the search path is not beside-program, PLOTVANE_PLUGIN_PATH, installed"
grep -qxF "$(printf 'FILTER\tQUANTITY\t%s' "$libdir/plotvane/diagram_plugins/FilterQuantity.so")" "$work/plugins.txt" ||
  fail "the installed QUANTITY package was not found"
grep -qxF "$(printf 'FILTER\tMOVING_AVERAGE\t%s' "$work/example/FilterMovingAverage.so")" "$work/plugins.txt" ||
  fail "the example package was not found"
echo "all checks passed"
