#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from a build folder,
# checked by lintian, installed into a scratch root (whose package database is
# a copy of this machine's, so its dependencies are checked for real), the demo
# rendered by the installed renderer from the installed files alone, the
# desktop entry validated and its icon found, the installed preset files
# loaded by it, the installed plug-ins' exports (VST 2, VST 3, LV2 and CLAP)
# checked, the installed LV2 bundle read by lv2info (with its presets) and run
# by lv2file, and the package removed again without a file left behind.
# usage: package_test.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" -D CPACK_OUTPUT_FILE_PREFIX="$work" \
  > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack could not build the package"; }
version=$("$build/tools/talkforge" --version)
version=${version#talkforge }
deb="$work/talkforge_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb: $(ls "$work")"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not talkforge --version ($version)"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libsndfile1 libsamplerate0 libjack-jackd2-0; do
  [[ $depends == *"$lib ("* ]] || fail "Depends lacks $lib"
done

if command -v lintian > /dev/null; then
  status=0
  lintian --fail-on error,warning "$deb" > "$work/lintian.log" 2>&1 || status=$?
  grep -v "running with root privileges" "$work/lintian.log" || true
  [ $status -eq 0 ] || fail "lintian reports errors or warnings"
else
  echo "lintian is not installed: the package is not linted"
fi

root=$work/root
admin=$root/var/lib/dpkg
mkdir -p "$admin/info" "$admin/updates"
cp /var/lib/dpkg/status "$admin/status"
touch "$admin/available"
dpkg=(dpkg --root="$root" --log="$work/dpkg.log" --force-script-chrootless --force-not-root)
export PATH="$PATH:/usr/sbin:/sbin"
"${dpkg[@]}" --install "$deb" > "$work/install.log" 2>&1 || { cat "$work/install.log"; fail "dpkg could not install the package"; }

vst3=usr/lib/vst3/Talkforge.vst3/Contents/x86_64-linux/Talkforge.so
lv2=usr/lib/lv2/talkforge.lv2
for f in usr/bin/talkforge usr/lib/lxvst/Talkforge.so $vst3 usr/lib/clap/Talkforge.clap usr/share/talkforge/demo-voice.flac \
         usr/share/man/man1/talkforge.1.gz usr/share/doc/talkforge/README.md usr/share/doc/talkforge/copyright \
         usr/share/applications/talkforge-live.desktop \
         $lv2/manifest.ttl $lv2/talkforge.ttl $lv2/presets.ttl $lv2/talkforge.so $lv2/talkforge_ui.so; do
  [ -f "$root/$f" ] || fail "the package does not install /$f"
done

# The menu entry: valid, starting the installed program, with an icon the
# hicolor theme finds at the sizes menus and panels ask for.
desktop=$root/usr/share/applications/talkforge-live.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
grep -qx "Exec=talkforge live" "$desktop" || fail "the desktop entry does not start talkforge live"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 22 24 32 48 64 128 256 512; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
  [ -f "$png" ] || fail "no ${size}x${size} icon '$icon'"
  file "$png" | grep -q "PNG image data, $size x $size, 8-bit/color RGBA" || fail "$png: $(file -b "$png")"
done

# Nothing but the installed files: no plug-in named on the command line or in
# the environment, and a working folder away from the build.
mkdir "$work/run"
(cd "$work/run" && env -u TALKFORGE_PLUGIN "$root/usr/bin/talkforge" demo --quiet) > "$work/demo.log" 2>&1 ||
  { cat "$work/demo.log"; fail "the installed talkforge demo failed"; }
[ "$(head -c 4 "$work/run/talkforge-demo.wav")" = RIFF ] || fail "the demo wrote no WAV file"
[ "$(stat -c %s "$work/run/talkforge-demo.wav")" -gt 100000 ] || fail "the demo is too short"

# The installed live program finds its libraries and says what it needs.
status=0
JACK_DEFAULT_SERVER=talkforge-package-test-none "$root/usr/bin/talkforge" live --no-editor > "$work/live.log" 2>&1 || status=$?
[ $status -eq 1 ] && grep -q "JACK server" "$work/live.log" || { cat "$work/live.log"; fail "the installed talkforge live"; }

# The preset files: a program file per preset of the library and the bank,
# each read by the installed renderer as the preset it holds.
presets=$root/usr/share/talkforge/presets
names=$("$root/usr/bin/talkforge" presets | cut -c1-23 | sed 's/ *$//')
[ "$(echo "$names" | wc -l)" -eq 16 ] || fail "talkforge presets lists $(echo "$names" | wc -l) presets, not 16"
[ "$(find "$presets" -name '*.fxp' | wc -l)" -eq 16 ] || fail "$presets does not hold 16 program files"
[ "$(stat -c %s "$presets/Talkforge Library.fxb")" -eq 5916 ] || fail "the installed bank is not 16 programs"
while IFS= read -r name; do
  file=$presets/$name.fxp
  [ "$(stat -c %s "$file")" -eq 360 ] || fail "$file is not one program of 76 values"
  [ "$(head -c 4 "$file")$(dd if="$file" bs=1 skip=8 count=4 status=none)" = CcnKFxCk ] ||
    fail "$file is not a VST 2 program file"
  for source in "$name" "$file" "$presets/Talkforge Library.fxb:$name"; do
    "$root/usr/bin/talkforge" params --preset "$source" > "$work/listed.txt" 2>&1 ||
      { cat "$work/listed.txt"; fail "the installed talkforge cannot load $source"; }
    if [ "$source" = "$name" ]; then
      mv "$work/listed.txt" "$work/library.txt"
    else
      cmp -s "$work/listed.txt" "$work/library.txt" || fail "$source holds other values than the preset $name"
    fi
  done
done <<< "$names"

exports=$(nm -D --defined-only "$root/usr/lib/lxvst/Talkforge.so" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$exports" = "VSTPluginMain main " ] || fail "the installed plug-in exports: $exports"
exports=$(nm -D --defined-only "$root/$vst3" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$exports" = "GetPluginFactory ModuleEntry ModuleExit " ] || fail "the installed VST 3 bundle exports: $exports"
exports=$(nm -D --defined-only "$root/usr/lib/clap/Talkforge.clap" | awk '{print $3}' | tr '\n' ' ')
[ "$exports" = "clap_entry " ] || fail "the installed CLAP plug-in exports: $exports"
[ "$(stat -c %a "$root/usr/lib/clap/Talkforge.clap")" = 644 ] || fail "the CLAP plug-in is not mode 644"

# The installed bundle as hosts find it below /usr/lib/lv2: described, and it runs.
for module in talkforge talkforge_ui; do
  [ "$(nm -D --defined-only "$root/$lv2/$module.so" | awk '{print $3}')" = "$( [ $module = talkforge ] && echo lv2_descriptor || echo lv2ui_descriptor)" ] ||
    fail "the installed $module.so exports more than its entry"
done
if command -v lv2info > /dev/null; then
  uri=https://harrowgate-sounds.com/plugins/talkforge
  LV2_PATH="$root/usr/lib/lv2" lv2info "$uri" > "$work/lv2info.log" 2>&1 || { cat "$work/lv2info.log"; fail "lv2info cannot read the installed bundle"; }
  grep -q "Has latency: *yes" "$work/lv2info.log" || fail "lv2info shows no latency for the installed bundle"
  grep -q "Binary: *file://$root/$lv2/talkforge.so" "$work/lv2info.log" || fail "lv2info shows another binary"
  grep -q " Robot Chord$" "$work/lv2info.log" || fail "lv2info lists no presets of the installed bundle"
  sox -n -r 48000 -c 2 -e floating-point "$work/silence.wav" trim 0 0.1
  LV2_PATH="$root/usr/lib/lv2" lv2file -i "$work/silence.wav" -o "$work/lv2.wav" "$uri" > "$work/lv2file.log" 2>&1 ||
    { cat "$work/lv2file.log"; fail "lv2file cannot run the installed plug-in"; }
else
  echo "lilv-utils is not installed: the installed LV2 bundle is not run"
fi

"${dpkg[@]}" --remove talkforge > "$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "dpkg could not remove the package"; }
left=$(cd "$root" && find . -mindepth 1 ! -path "./var" ! -path "./var/lib" ! -path "./var/lib/dpkg" ! -path "./var/lib/dpkg/*")
[ -z "$left" ] || fail "dpkg --remove left behind: $left"

rm -rf "$work"
echo "package talkforge_${version}_amd64.deb: built, linted, installed, demo rendered, presets loaded, desktop entry checked, LV2 bundle run, removed"
