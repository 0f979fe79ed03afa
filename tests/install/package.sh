#!/usr/bin/env bash
# Makes the Debian packages of the build with CPack, checks their control data and contents,
# unpacks them into a scratch root with dpkg-deb -x and runs the demo from there, offscreen.
# Usage: package.sh <build dir> <work dir> <multiarch>
set -euo pipefail
build=$1 work=$2 arch=$3
rm -rf "$work"
mkdir -p "$work"
export XDG_CACHE_HOME=$work/cache XDG_STATE_HOME=$work/state
unset PLOTVANE_PLUGIN_PATH DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR

fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

step "cpack"
cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
runtime=$(ls "$work"/cpack/plotvane_*.deb)
dev=$(ls "$work"/cpack/plotvane-dev_*.deb)

step "control data"
depends=$(dpkg-deb -f "$runtime" Depends)
echo "plotvane: Depends: $depends"
for lib in libc6 libstdc++6 libqt6widgets6 libpugixml1v5; do
  grep -q "$lib" <<<"$depends" || fail "plotvane does not depend on $lib (dpkg-shlibdeps not run?)"
done
version=$(dpkg-deb -f "$runtime" Version)
grep -qF "plotvane (= $version)" <<<"$(dpkg-deb -f "$dev" Depends)" || fail "plotvane-dev does not depend on this plotvane"

step "contents"
dpkg-deb -c "$runtime" | awk '{print $6}' >"$work/runtime.txt"
dpkg-deb -c "$dev" | awk '{print $6}' >"$work/dev.txt"
for f in "./usr/lib/$arch/libplotvane.so.0" "./usr/lib/$arch/libplotvane-qt.so.0" \
         "./usr/lib/$arch/plotvane/diagram_plugins/FilterQuantity.so" "./usr/lib/$arch/plotvane/plotvane-plugin-scan" \
         ./usr/bin/plotvane-demo ./usr/share/plotvane/layouts/default.xml ./usr/share/locale/en/LC_MESSAGES/QuorDiagram.mo; do
  grep -qxF "$f" "$work/runtime.txt" || fail "plotvane lacks $f"
done
for f in ./usr/include/plotvane/filters/Filter.h ./usr/include/plotvane/ui/PlotvaneArea.h "./usr/lib/$arch/libplotvane.so" \
         "./usr/lib/$arch/cmake/Plotvane/PlotvaneConfig.cmake" "./usr/lib/$arch/pkgconfig/plotvane.pc"; do
  grep -qxF "$f" "$work/dev.txt" || fail "plotvane-dev lacks $f"
done
if grep -q "/include/\|/cmake/\|pkgconfig" "$work/runtime.txt"; then fail "development files in plotvane"; fi
if grep -q "\.so\.0" "$work/dev.txt"; then fail "run-time libraries in plotvane-dev"; fi

step "unpacked into a scratch root, the demo runs offscreen"
root=$work/root
dpkg-deb -x "$runtime" "$root"
dpkg-deb -x "$dev" "$root"
demo=$root/usr/bin/plotvane-demo
"$demo" --version | grep -qF "plotvane-demo $version" || fail "--version"
"$demo" --list-plugins >"$work/plugins.txt"
grep -qxF "$(printf 'FILTER\tQUANTITY\t%s' "$root/usr/lib/$arch/plotvane/diagram_plugins/FilterQuantity.so")" "$work/plugins.txt" ||
  { cat "$work/plugins.txt"; fail "the packaged QUANTITY filter was not found"; }
(cd "$work" && LANGUAGE=en "$demo" --offscreen --sweeps 5 --snapshot "$work/demo.png" >"$work/demo.out" 2>"$work/demo.err") ||
  { cat "$work/demo.err"; fail "the demo failed"; }
[ -s "$work/demo.png" ] || fail "no picture"
# Nothing on standard error: no Qt warnings, and the packaged layout was found (a missing
# one is reported there).
[ ! -s "$work/demo.err" ] || { cat "$work/demo.err"; fail "the demo wrote to standard error"; }
echo "all checks passed"
