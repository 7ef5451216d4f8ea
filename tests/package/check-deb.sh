#!/usr/bin/env bash
# The Debian package as a shop would get it: cpack builds it from this build
# tree into a scratch folder, where it is unpacked and looked over.
# Usage: check-deb.sh BUILD_DIR SCRATCH_DIR
set -uo pipefail
build=$1
scratch=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$scratch"
mkdir -p "$scratch"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  echo "FAIL: cpack could not build the package"
  exit 1
fi
debs=("$scratch"/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "FAIL: expected one .deb in $scratch, found: ${debs[*]}"
  exit 1
fi
deb=${debs[0]}
root=$scratch/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }
echo "package: $(basename "$deb")"

# Exactly these files: a test program or the bench slipping into the
# install shows up here.
app=cn.corvale.corvale
sizes=(16 32 48 64 128 256)
expected=(./usr/bin/corvale ./usr/bin/corvale-render ./usr/libexec/corvale/corvale-mdbreader
          ./usr/share/applications/$app.desktop ./usr/share/metainfo/$app.metainfo.xml
          ./usr/share/icons/hicolor/scalable/apps/corvale.svg
          ./usr/share/man/man1/corvale.1.gz ./usr/share/man/man1/corvale-render.1.gz
          ./usr/share/man/zh_CN/man1/corvale.1.gz ./usr/share/man/zh_CN/man1/corvale-render.1.gz
          ./usr/share/doc/corvale/copyright ./usr/share/doc/corvale/changelog.gz)
for s in "${sizes[@]}"; do expected+=("./usr/share/icons/hicolor/${s}x${s}/apps/corvale.png"); done
diff <(printf '%s\n' "${expected[@]}" | LC_ALL=C sort) \
     <(cd "$root" && find . ! -type d | LC_ALL=C sort) || fail "the package's files differ from the list above (< expected, > packaged)"

# Each bitmap is the size its folder says, not one picture copied six times.
for s in "${sizes[@]}"; do
  png=$root/usr/share/icons/hicolor/${s}x${s}/apps/corvale.png
  [ -f "$png" ] || continue
  read -r -a b < <(od -An -tu1 -j16 -N8 "$png")
  got="$(( (b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3] ))x$(( (b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7] ))"
  [ "$(head -c 4 "$png" | tail -c 3)" = PNG ] && [ "$got" = "${s}x${s}" ] || fail "$png is not a ${s}x${s} PNG (read $got)"
done

# The menu entry starts a program the package has, as a menu start, with an
# icon the package has.
desktop=$root/usr/share/applications/$app.desktop
entry() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
if [ -f "$desktop" ]; then
  read -r -a exec <<<"$(entry Exec)"
  [ -x "$root/usr/bin/${exec[0]}" ] || fail "Exec names ${exec[0]}, not in /usr/bin of the package"
  [ "${exec[*]:1}" = "--from-menu" ] || fail "Exec does not pass --from-menu: $(entry Exec)"
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$(entry Icon).svg" ] || fail "no icon named $(entry Icon)"
  [ "$(entry Name)" = "Corvale 维修管理" ] || fail "Name is '$(entry Name)'"
  entry Comment | grep -qP '\p{Han}' || fail "Comment is not Chinese: '$(entry Comment)'"
  entry Categories | tr ';' '\n' | grep -qx Office || fail "Categories lack Office"
  # It prints nothing for a clean file; hints and warnings count as failures.
  out=$(desktop-file-validate "$desktop" 2>&1)
  [ $? -eq 0 ] && [ -z "$out" ] || fail "desktop-file-validate: $out"
fi

# Debian's own checks, as the distribution checks its packages: every error,
# warning, informational and pedantic tag fails (the package needs no
# overrides; one would go in a lintian-overrides file with its reason).
# validate-tree also
# ties the metainfo to the menu entry it launches.
out=$(lintian --pedantic -I --tag-display-limit 0 "$deb" 2>&1)
rc=$?
echo "lintian --pedantic -I: exit $rc${out:+, said:}"
[ -n "$out" ] && echo "$out"
[ $rc -eq 0 ] && ! grep -qE '^[EWIPX]: ' <<<"$out" || fail "lintian reported the tags above"
for check in "validate --pedantic --no-net $root/usr/share/metainfo/$app.metainfo.xml" \
             "validate-tree --pedantic --no-net $root"; do
  out=$(appstreamcli $check 2>&1)
  rc=$?
  [ $rc -eq 0 ] && ! grep -qE '^[EWIP]: ' <<<"$out" || fail "appstreamcli $check: exit $rc: $out"
done

# Libraries come from dpkg-shlibdeps; what Qt and the reports load at run
# time is named by hand. poppler only checks PDFs in the tests.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
for want in libqt6widgets6 libqt6printsupport6 libqt6sql6 libqt6sql6-sqlite libqt6sql6-psql 'libmdb[0-9]+' \
            'libqpdf[0-9]+' 'libxlsxwriter[0-9]+' libsqlite3-0 qt6-translations-l10n \
            fonts-noto-cjk fonts-arphic-uming fonts-arphic-ukai; do
  grep -qxE "$want" <<<"$depends" || fail "Depends lacks $want"
done
grep -q poppler <<<"$depends" && fail "Depends names poppler"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

# --help and --version answer on stdout without any display; the manual
# pages name every option --help names.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
for program in corvale corvale-render; do
  for page in "$root/usr/share/man/man1/$program.1.gz" "$root/usr/share/man/zh_CN/man1/$program.1.gz"; do
    [ -f "$page" ] || continue
    help=$("${nodisplay[@]}" "$root/usr/bin/$program" --help 2>"$scratch/stderr")
    rc=$?
    [ $rc -eq 0 ] && [ ! -s "$scratch/stderr" ] && grep -q "$program" <<<"$help" \
      || fail "$program --help without a display: exit $rc, said: $help $(cat "$scratch/stderr")"
    text=$(zcat "$page" | sed 's/\\-/-/g')
    for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
      grep -qF -- "$option" <<<"$text" || fail "$page does not name $option"
    done
  done
  version=$("${nodisplay[@]}" "$root/usr/bin/$program" --version 2>&1)
  rc=$?
  [ $rc -eq 0 ] && [ "$version" = "$program $(dpkg-deb -f "$deb" Version)" ] \
    || fail "$program --version without a display: exit $rc, said: $version"
done

# The packaged programs run: argument errors and an unusable data folder end
# with a Chinese message before any window.
touch "$scratch/a-file"
out=$("$root/usr/bin/corvale" --data "$scratch/a-file/数据" 2>&1)
rc=$?
[ $rc -eq 1 ] && grep -q "无法创建数据文件夹 $scratch/a-file/数据" <<<"$out" \
  || fail "corvale --data under a file: exit $rc, said: $out"
out=$("${nodisplay[@]}" "$root/usr/bin/corvale" --dta "$scratch" 2>&1 >/dev/null)
rc=$?
[ $rc -eq 2 ] && grep -q "无法识别的参数：--dta" <<<"$out" && grep -q "用法" <<<"$out" \
  || fail "corvale --dta: exit $rc, said on stderr: $out"
out=$("$root/usr/bin/corvale-render" 2>&1)
rc=$?
[ $rc -eq 2 ] && grep -q "usage: corvale-render" <<<"$out" || fail "corvale-render without arguments: exit $rc, said: $out"

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package checks passed"
