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
Any static host will do (one that serves plain files, such as a free page
host). The show draws on four threads, which browsers allow only to a page
that is cross-origin isolated, that is, served with these two headers:
  Cross-Origin-Opener-Policy: same-origin
  Cross-Origin-Embedder-Policy: require-corp
A server that can send them should. Where the host cannot, the page's own
service worker (isolation-worker.js) adds them: on the first visit the page
installs it and reloads itself once, and from then on the worker passes on
the site's files with the two headers. It keeps no copy of its own and has
the browser check every file with the server, so after the folder is
replaced by a new release the next load gets the new files. Where a page can
have no service worker (opened from the disk, plain http from another
machine than localhost, some private windows), the show runs on one thread,
maybe slower, and the start screen says why. Opening index.html straight
from the disk (file://) does not load the show at all: browsers refuse a
page there its own files. Browsers start sound only after a click or a tap.
In a browser the picture keeps its 4:3 shape, as large as the screen
allows, on black. On a phone, a tap starts the show and a tap ends it; hold
the phone sideways for the largest picture.
preview.png is the picture a link to the page shows in chats and forums
(some sites want its full address: put it into index.html's og:image);
favicon.png is the page's icon."
    needs="A current browser with WebAssembly threads and SIMD (Chromium, Chrome, Edge,
Firefox or Safari, on a desktop or a phone); it is checked in headless
Chromium, also as an emulated phone."
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
