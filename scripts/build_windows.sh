#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the Windows x64 release on Debian with MinGW-w64: SDL2, FreeType, SDL2_ttf,
# ENet, Opus and libopusenc from Debian's source packages (once: kept in a cache folder),
# then the game, the simulator and the data tool, and packs dist/vlnedla-VERSION-windows-x64.zip with the data
# the Linux build made, a font, README.txt and the licence.
#   scripts/build_windows.sh            everything
#   scripts/build_windows.sh --libs     the libraries only
#   VL_WIN_CACHE   the cache folder (default ~/.cache/vlnedla-windows)
#   BUILD_DIR      the Linux build whose data is shipped (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cache=${VL_WIN_CACHE:-$HOME/.cache/vlnedla-windows}
prefix=$cache/prefix
linux_build=${BUILD_DIR:-build}
jobs=$(nproc)

# --- what it needs -------------------------------------------------------------------------
need=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools cmake ninja-build
      dpkg-dev xz-utils zip fonts-dejavu-core)
missing=()
for p in "${need[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if ((${#missing[@]})); then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Debian's sources: the release the machine runs, and (for a library whose bookworm source
# is not served) the next one.
src_list=/etc/apt/sources.list.d/vlnedla-sources.sources
if [ ! -f "$src_list" ]; then
  cat >"$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm trixie
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get update -qq
fi

# fetch PACKAGE[/SUITE] ORIG_GLOB: the upstream tarball of Debian's source package into
# $cache/src. apt-get may fail on a file the archive no longer serves (the Debian patches
# of a later release); the upstream tarball is what is built.
fetch() {
  mkdir -p "$cache/src"
  (cd "$cache/src" && { ls $2 >/dev/null 2>&1 || apt-get source --download-only "$1" >/dev/null 2>&1 || true; })
  ls "$cache/src"/$2 >/dev/null 2>&1 || { echo "build_windows: Debian's source of $1 could not be had"; exit 1; }
}

# built NAME: true when NAME is already built in the cache.
built() { [ -f "$prefix/.built-$1" ]; }

export VLNEDLA_WIN_PREFIX=$prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake
mkdir -p "$prefix" "$cache/work"

# cmake_lib NAME SOURCE ARGS...: configures, builds and installs one library into the prefix.
cmake_lib() {
  local name=$1 source=$2
  shift 2
  cmake -S "$source" -B "$cache/work/$name-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    "$@" >/dev/null
  cmake --build "$cache/work/$name-build" -j"$jobs" >/dev/null
  cmake --install "$cache/work/$name-build" >/dev/null
  touch "$prefix/.built-$name"
}
# unpack TARBALL: into the work folder, afresh.
unpack() { tar -C "$cache/work" -xf "$cache/src/$1"; }

if ! built sdl2; then
  fetch libsdl2/bookworm 'libsdl2_2.26.5+dfsg.orig.tar.gz'
  rm -rf "$cache/work/SDL2-2.26.5" && unpack libsdl2_2.26.5+dfsg.orig.tar.gz
  cmake_lib sdl2 "$cache/work/SDL2-2.26.5" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
fi
if ! built freetype; then
  fetch freetype/bookworm 'freetype_2.12.1+dfsg.orig.tar.xz'
  rm -rf "$cache/work/freetype-2.12.1" && unpack freetype_2.12.1+dfsg.orig.tar.xz
  cmake_lib freetype "$cache/work/freetype-2.12.1" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
fi
if ! built sdl2_ttf; then
  fetch libsdl2-ttf/bookworm 'libsdl2-ttf_2.20.1+dfsg.orig.tar.xz'
  rm -rf "$cache/work/SDL2_ttf-2.20.1" && unpack libsdl2-ttf_2.20.1+dfsg.orig.tar.xz
  cmake_lib sdl2_ttf "$cache/work/SDL2_ttf-2.20.1" -DBUILD_SHARED_LIBS=ON \
    -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF -DSDL2TTF_SAMPLES=OFF
fi
if ! built enet; then
  fetch enet/trixie 'enet_1.3.18+ds.orig.tar.xz'
  rm -rf "$cache/work/enet-1.3.18+ds" && unpack enet_1.3.18+ds.orig.tar.xz
  # ENet's own build makes a static library without install rules: compiled here.
  e=$cache/work/enet-1.3.18+ds
  mkdir -p "$e/obj" "$prefix/lib/pkgconfig" "$prefix/include"
  for c in callbacks compress host list packet peer protocol unix win32; do
    x86_64-w64-mingw32-gcc-posix -O2 -I"$e/include" -c "$e/$c.c" -o "$e/obj/$c.o"
  done
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libenet.a" "$e"/obj/*.o
  cp -r "$e/include/enet" "$prefix/include/"
  cat >"$prefix/lib/pkgconfig/libenet.pc" <<PC
prefix=$prefix
Name: libenet
Description: ENet (built for Windows from Debian's source)
Version: 1.3.18
Libs: -L\${prefix}/lib -lenet -lws2_32 -lwinmm
Cflags: -I\${prefix}/include
PC
  touch "$prefix/.built-enet"
fi
# autotools_lib NAME SOURCE ARGS...: configures, builds and installs one static library into
# the prefix, finding the ones built before through their pkg-config files.
autotools_lib() {
  local name=$1 source=$2
  shift 2
  (cd "$source" && PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" ./configure -q \
     --host=x86_64-w64-mingw32 --prefix="$prefix" --enable-static --disable-shared "$@" >/dev/null &&
   make -s -j"$jobs" >/dev/null 2>&1 && make -s install >/dev/null)
  touch "$prefix/.built-$name"
}
if ! built opus; then
  fetch opus/bookworm 'opus_1.3.1.orig.tar.gz'
  rm -rf "$cache/work/opus-1.3.1" && unpack opus_1.3.1.orig.tar.gz
  # No fortified or stack-protected calls: MinGW's would need libssp beside the game.
  autotools_lib opus "$cache/work/opus-1.3.1" --disable-doc --disable-extra-programs \
    --disable-stack-protector CFLAGS="-O2 -D_FORTIFY_SOURCE=0"
fi
if ! built opusenc; then
  fetch libopusenc/bookworm 'libopusenc_0.2.1.orig.tar.gz'
  rm -rf "$cache/work/libopusenc-0.2.1" && unpack libopusenc_0.2.1.orig.tar.gz
  autotools_lib opusenc "$cache/work/libopusenc-0.2.1" --disable-doc --disable-examples
fi
[ "${1:-}" = --libs ] && exit 0

# --- the game -------------------------------------------------------------------------------
version=$(sed -n 's/^project(Vlnedla VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=build-windows
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig cmake -S . -B "$out" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DVLNEDLA_TESTS=OFF -DVLNEDLA_BENCH=OFF -DVLNEDLA_DATA=OFF -DVLNEDLA_WERROR=ON >/dev/null
cmake --build "$out" -j"$jobs"

# --- the release ----------------------------------------------------------------------------
for f in snd/menu.dat snd/guide.dat snd/game.dat pics/game.dat lang/en/snd/game.dat; do
  [ -f "$linux_build/data/$f" ] || { echo "build_windows: $linux_build/data/$f is missing: build for Linux first (./test.sh)"; exit 1; }
done
name=vlnedla-$version-windows-x64
stage=$out/stage/$name
rm -rf "$out/stage" && mkdir -p "$stage/snd" "$stage/pics"
cp "$out"/bin/vlnedla.exe "$out"/bin/vlnedla-sim.exe "$out"/bin/vlnedla-assets.exe "$stage/"
cp "$prefix"/bin/SDL2.dll "$prefix"/bin/SDL2_ttf.dll "$stage/"
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
for dll in libstdc++-6.dll libgcc_s_seh-1.dll; do cp "$gcc_dir/$dll" "$stage/"; done
cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
cp "$linux_build"/data/snd/*.dat "$stage/snd/"
cp "$linux_build"/data/pics/game.dat "$stage/pics/"
cp -r "$linux_build"/data/lang "$stage/" # the other languages' banks
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$stage/"
cp /usr/share/doc/fonts-dejavu-core/copyright "$stage/DejaVuSans-LICENSE.txt"
sed 's/$/\r/' packaging/README >"$stage/README.txt"
sed 's/$/\r/' packaging/README.cs >"$stage/README.cs.txt"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
mkdir -p dist
rm -f "dist/$name.zip"
(cd "$out/stage" && zip -qr9 "$root/dist/$name.zip" "$name")
echo "build_windows: dist/$name.zip ($(du -k "dist/$name.zip" | cut -f1) KB)"
