#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# xvfb_pads: with a pad plugged in, the SDL toolkit's loop on X11 sleeps on the X connection
# instead of SDL's millisecond polling; the toolkit's own test of that path needs a display.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
use_xvfb
"$BIN/test_platform" --gtest_filter='SdlPads.OnX11*' >"$work/test.log" 2>&1 || {
  cat "$work/test.log"; fail "the toolkit's pad test failed"; }
grep -q '\[  PASSED  \] 1 test' "$work/test.log" || { cat "$work/test.log"; fail "the pad test did not run"; }
echo "xvfb_pads: the loop hears pads, the window system and other threads with a pad plugged in"
