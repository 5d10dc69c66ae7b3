#!/usr/bin/env bash
# Builds the Debian package and checks it as a user meets it: lintian
# finds no error, nothing in it names this machine's build folder, the
# installed commands render the shipped example from an empty folder, and
# removing the package leaves no file behind. Needs root, and a machine
# where rodscene is not installed; the package is removed again whatever
# happens.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

fail() {
  echo "package_test: $*" >&2
  exit 1
}

if dpkg -s rodscene >/dev/null 2>&1; then
  fail "rodscene is installed already; remove it first"
fi

cmake --workflow --preset package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package/CMakeCache.txt)
deb=$top/build/package/rodscene_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb"

lintian --fail-on error "$deb"

scratch=$(mktemp -d)
installed=no
finish() {
  if [ "$installed" = yes ]; then dpkg -r rodscene >/dev/null || true; fi
  rm -rf "$scratch"
}
trap finish EXIT

dpkg-deb -R "$deb" "$scratch/unpacked"
if grep -rlF "$top" "$scratch/unpacked"; then
  fail "these files of the package name the folder $top"
fi

# The dependencies come first, so that the file lists before and after
# differ by the package alone.
missing=()
# Each dependency's package name, without its version or alternatives.
for p in $(dpkg-deb -f "$deb" Depends | tr ',' '\n' |
           sed -e 's/|.*//' -e 's/(.*)//' -e 's/[[:space:]]//g'); do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    "${missing[@]}"
fi

files() {
  find /usr /etc /opt /var/lib/dpkg/info -xdev 2>/dev/null | LC_ALL=C sort
}
files >"$scratch/before"
installed=yes
dpkg -i "$deb"

mkdir "$scratch/empty"
cd "$scratch/empty"
[ "$(command -v rodscene_render)" = /usr/bin/rodscene_render ] ||
  fail "rodscene_render is not the installed one"
case "$(rodscene_render --version)" in
  "rodscene_render $version" | "rodscene_render $version ("*) ;;
  *) fail "rodscene_render --version does not say $version" ;;
esac
cp "$top/examples/readingconfig3.txt" .
rodscene_split >split.pov
rodscene_render split.pov split.png --draft
rodscene_render readingconfig3.txt mono.png --program mono --draft
rodscene_render readingconfig3.txt whole.png --draft
rodscene_render --html view.html readingconfig3.txt
[ "$(head -c 15 view.html)" = "<!DOCTYPE html>" ] || fail "view.html is no page"
for picture in split.png mono.png whole.png; do
  [ "$(head -c 4 "$picture" | tail -c 3)" = PNG ] || fail "$picture is no PNG"
done
# The Python module from the interpreter's own folder, as the program.
/usr/bin/python3 -c "import rodscene, sys
assert rodscene.__file__.startswith('/usr/lib/python3/dist-packages/'), rodscene.__file__
sys.stdout.buffer.write(rodscene.scene_text('readingconfig3.txt', 'split'))" >module.pov ||
  fail "the rodscene module does not run"
cmp -s module.pov split.pov || fail "the rodscene module's scene is not rodscene_split's"
cd "$top"

dpkg -r rodscene
installed=no
files >"$scratch/after"
diff "$scratch/before" "$scratch/after" ||
  fail "installing and removing the package changed the files above"
echo "package_test: rodscene $version built, installed, used and removed"
