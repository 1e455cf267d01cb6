#!/usr/bin/env bash
# Prints the README.txt that goes into a release file.
# Usage: readme.sh deb|windows|web VERSION [ARCHITECTURE]
# (the Debian architecture of a deb: amd64, the default, or arm64)
set -euo pipefail
kind=$1
version=$2
arch=${3:-amd64}
case "$arch" in
  amd64) machine="64-bit x86" ;;
  arm64) machine="64-bit ARM (aarch64: a Raspberry Pi 3, 4 or 5 with a 64-bit system,
an ARM laptop or server)" ;;
  *) echo "readme.sh: unknown architecture $arch" >&2; exit 2 ;;
esac

case "$kind" in
  deb)
    run="Install it, then start it from the desktop's menu (Veldrakin) or type
  veldrakin
in a terminal. To install, in the folder holding the file:
  sudo apt install ./veldrakin_${version}_${arch}.deb
apt installs what it needs with it. To remove it: sudo apt remove veldrakin.

The show writes one file, app.log, into ~/.local/state/veldrakin (or
\$XDG_STATE_HOME/veldrakin), beside links to its installed pictures and
music; remove that folder to forget it."
    needs="Debian 12 (bookworm) or a later Debian or Ubuntu release, $machine, with an
X11 desktop (or XWayland). It plays through the desktop's sound server or
ALSA; without a sound card it plays silently at the same pace."
    ;;
  windows)
    run="Unpack the zip into a folder you can write to (not Program Files) and
double-click veldrakin.exe. Keep the folders music and _glimmerock beside it:
the show reads its pictures and music from there, and writes one file,
app.log, beside them."
    needs="64-bit Windows, nothing to install: the program uses only Windows' own
libraries (GDI, the Windows Imaging Component, the Audio Compression Manager
and waveOut). It is checked under Wine."
    ;;
  web)
    run="Put the folder's files on a web server and open index.html through it.
The server must send these two headers with every file, or the browser
refuses the threads the show runs on:
  Cross-Origin-Opener-Policy: same-origin
  Cross-Origin-Embedder-Policy: require-corp
Opening index.html straight from the disk (file://) does not work. Browsers
start sound only after a click on the page."
    needs="A current desktop browser with WebAssembly threads and SIMD (Chromium,
Chrome, Edge, Firefox or Safari); it is checked in headless Chromium."
    ;;
  *)
    echo "usage: readme.sh deb|windows|web VERSION [ARCHITECTURE]" >&2
    exit 2
    ;;
esac

cat <<TEXT
Veldrakin ${version}
$(printf '%*s' $(( 10 + ${#version} )) '' | tr ' ' '=')

A real-time audiovisual show: one music track and twenty effects computed
pixel by pixel on the processor into a 320 x 240 picture, in step with the
music, stretched over the whole screen. It lasts five minutes and closes
itself at the end.

Running it
----------
${run}

Controls
--------
Escape or a left mouse click ends the show, and so does closing its window.
There is nothing else to press, and nothing to set.

What it needs
-------------
${needs}

Credits
-------
A Quorvane production.
  code      FENNICKONE
  music     DRUMELO
  graphics  QUINTAZ
  design    PELLO
Every picture and the music track are made by the show's own generator. The
lettering is set in Bebas Neue and Inter (SIL Open Font License 1.1) and
DejaVu Sans Mono (DejaVu fonts licence).
TEXT
