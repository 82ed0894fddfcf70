#!/usr/bin/env bash
# The main job on the sample that ships with the project: builds tovrix
# and converts samples/app.reg into build/app.inf, then shows the result.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build --target tovrix -j2
build/tovrix /f samples/app.reg /o build/app.inf "$@"
echo "----- build/app.inf -----"
cat build/app.inf
