#!/usr/bin/env bash
# Makes the copy of Debian's JUCE 7.0.5 modules that the Windows builds use,
# with two small changes; the Linux build uses Debian's modules as they are.
#
#   ./scripts/prepare-juce.sh DEST        (DEST/modules is created)
#
# 1. juce_core/native/juce_win32_ComSmartPtr.h gives 32-bit MinGW a home-made
#    __uuidof with no specialisations for the COM interfaces juce_gui_basics
#    uses (DirectWrite, DXGI, UI Automation), so that module does not compile
#    there (JUCE issue #1029). MinGW's own headers define __uuidof for every
#    target, so the condition
#        #if (JUCE_MINGW && JUCE_32BIT) || (! defined (_MSC_VER) && ! defined (__uuidof))
#    becomes
#        #if ! defined (_MSC_VER) && ! defined (__uuidof)
#    and 32-bit MinGW takes the same path as 64-bit MinGW.
#
# 2. juce_gui_basics/native/juce_win32_Windowing.cpp paints windows on the
#    display's vertical blank, which a DXGI output reports. Where it cannot
#    (wine's DXGI, which has no vertical blank, and displays without one),
#    JUCE never paints a change; there it now paints at about 60 Hz:
#        else
#            Thread::sleep (1);
#    becomes
#        else
#        {
#            Thread::sleep (16);
#            triggerAsyncUpdate();
#        }
set -euo pipefail

dest="${1:?usage: prepare-juce.sh DEST}"
source_modules=/usr/share/juce/modules
[ -d "$source_modules" ] || { echo "prepare-juce: $source_modules is missing (juce-modules-source)" >&2; exit 1; }

# Redone when this script or Debian's modules change.
stamp="$dest/.velmo-juce-$(cat "$0" "$source_modules/juce_core/juce_core.h" | md5sum | cut -c1-16)"
[ -f "$stamp" ] && exit 0

rm -rf "$dest/modules" "$dest"/.velmo-juce-*
mkdir -p "$dest"
cp -a "$source_modules" "$dest/modules"

# replace FILE OLD NEW: replaces the text OLD (a whole, exact passage) with NEW.
# JUCE's sources have CRLF line endings; OLD and NEW are given with LF.
replace() {
    local file="$dest/modules/$1"
    OLD="$2" NEW="$3" perl -0pi -e '
        my ($old, $new) = ($ENV{OLD}, $ENV{NEW});
        s/\n/\r\n/g for ($old, $new);
        my $n = s/\Q$old\E/$new/g;
        die "prepare-juce: expected text not found once in $ARGV\n" unless $n == 1;
    ' "$file"
}

replace juce_core/native/juce_win32_ComSmartPtr.h \
    '#if (JUCE_MINGW && JUCE_32BIT) || (! defined (_MSC_VER) && ! defined (__uuidof))' \
    '#if ! defined (_MSC_VER) && ! defined (__uuidof)'

replace juce_gui_basics/native/juce_win32_Windowing.cpp \
'            if (output->WaitForVBlank() == S_OK)
                triggerAsyncUpdate();
            else
                Thread::sleep (1);' \
'            if (output->WaitForVBlank() == S_OK)
                triggerAsyncUpdate();
            else
            {
                Thread::sleep (16);
                triggerAsyncUpdate();
            }'

touch "$stamp"
echo "prepare-juce: patched JUCE modules in $dest/modules"
