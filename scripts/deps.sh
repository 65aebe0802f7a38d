#!/usr/bin/env bash
# Installs the Debian packages the build needs, if any are missing. As root it runs apt-get
# itself; otherwise it prints the one command to run and fails.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libfftw3-dev portaudio19-dev libsndfile1-dev libsoxr-dev libhamlib-dev
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core
  libgtest-dev libgmock-dev
)
if [[ "${1:-}" == "--test" ]]; then
  # The sound stack of a desktop: the suite must pass where ALSA reaches PulseAudio.
  packages+=(clang-format pulseaudio pulseaudio-utils libasound2-plugins)
  # pdftotext reads back what the print test printed into a PDF file.
  packages+=(poppler-utils)
  # desktop-file-validate and appstreamcli check the installed desktop file and metainfo.
  packages+=(desktop-file-utils appstream)
  # rigctld, the rig daemon that the rig tests start on loopback with its dummy rig.
  packages+=(libhamlib-utils)
  # tshark reads the reception reports' IPFIX messages as a second, independent decoder.
  packages+=(tshark)
fi

if [[ "${1:-}" == "--package" ]]; then
  # scripts/package.sh: CPack finds the libraries' packages with dpkg-shlibdeps, which needs
  # file; lintian checks the package.
  packages+=(dpkg-dev file lintian)
fi

if [[ "${1:-}" == "--fuzz" ]]; then
  # scripts/fuzz.sh: clang and its runtime with libFuzzer (Debian 12's clang is version 14).
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  export DEBIAN_FRONTEND=noninteractive
  if [[ " ${missing[*]} " == *" tshark "* ]]; then
    # wireshark-common asks whether ordinary users may capture packets; answered here, no.
    echo "wireshark-common wireshark-common/install-setuid boolean false" | debconf-set-selections
  fi
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  echo "Missing packages. Install them with:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
