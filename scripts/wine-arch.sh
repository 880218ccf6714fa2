# Sourced by the scripts that run the Win32 programs under Wine.
#
# Some virtual machines' kernels refuse every 32-bit program (/lib/ld-linux.so.2:
# "Exec format error"), so Wine's 32-bit loader cannot start there. On such a
# machine the Wine tests and benchmarks run from the win64 preset instead: the
# same sources built for x86-64 under wine64, a stand-in for the 32-bit build
# that ships (whose plug-in contract is 32-bit only).

runs_32_bit_programs() {
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# use_wine64_stand_in: from here on, `wine` and `wineboot` are the 64-bit
# loader's (Debian's wine script picks the 32-bit one whenever it is installed)
# and new prefixes are 64-bit ones.
use_wine64_stand_in() {
  export PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:$PATH"
  export WINEARCH=win64
}

# choose_wine_preset: sets wine_preset to win32, or, where 32-bit programs
# cannot run, to win64 with the stand-in's Wine from here on.
choose_wine_preset() {
  wine_preset=win32
  if ! runs_32_bit_programs; then
    wine_preset=win64
    use_wine64_stand_in
  fi
}
