#!/usr/bin/env bash
# Builds the Debian package from the build folder that scripts/test.sh uses, checks what
# it holds, installs it with apt-get as a user would, and runs both programs from
# /usr/bin without a display. The package is removed again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
rm -rf build/package
(cd build && cpack -G DEB >/dev/null)
debs=(build/package/ks936-config_*.deb)
deb="${debs[0]}"
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Depends

# The programs and their desktop files only: no test, benchmark or fuzz program.
app_id=$(sed -n 's/^KS936_APP_ID:STRING=//p' build/CMakeCache.txt)
expected="./usr/bin/ks936-cli
./usr/bin/ks936-config
./usr/bin/ks936-sim
./usr/share/applications/$app_id.desktop
./usr/share/icons/hicolor/scalable/apps/$app_id.svg
./usr/share/man/man1/ks936-cli.1.gz
./usr/share/man/man1/ks936-config.1.gz
./usr/share/man/man1/ks936-sim.1.gz
./usr/share/metainfo/$app_id.metainfo.xml"
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$' | sort)
if [ "$contents" != "$(sort <<<"$expected")" ]; then
    echo "The package holds other files than expected:" >&2
    diff <(sort <<<"$expected") <(echo "$contents") >&2 || true
    exit 1
fi

remove() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q ks936-config >/dev/null; }
# A copy left installed with the same version would not be replaced.
if [[ "$(dpkg-query -W -f='${Status}' ks936-config 2>/dev/null)" == *"install ok installed"* ]]; then
    remove
fi
install() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb" >/dev/null; }
if ! install; then
    $sudo apt-get update -q >/dev/null
    install
fi
trap remove EXIT

# No display: both programs must answer without one. Their output is taken whole before
# it is searched: "grep -q" leaves at its first match, and a program still writing would
# die of SIGPIPE, which pipefail reports as a failure.
headless=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
version=$("${headless[@]}" /usr/bin/ks936-config --version)
echo "Installed: $version"
[ "$version" = "ks936-config $(dpkg-deb --field "$deb" Version)" ]
sim_help=$("${headless[@]}" /usr/bin/ks936-sim --help)
grep -q "^Usage: /usr/bin/ks936-sim" <<<"$sim_help"
"${headless[@]}" /usr/bin/ks936-cli --version
desktop-file-validate "/usr/share/applications/$app_id.desktop"
grep -q "^Name=KS936 Config$" "/usr/share/applications/$app_id.desktop"
echo "The package installs and both programs answer from /usr/bin."
