#!/usr/bin/env bash
# clang-tidy (checks in .clang-tidy) and cppcheck over the product code; both must be clean.
# clang-tidy reads the compile commands of the native build, which sees the Windows stand-in.
set -euo pipefail
cd "$(dirname "$0")/.."

db=build/native/compile_commands.json
[ -f "$db" ] || { echo "no $db: build the native preset first"; exit 1; }
mapfile -t sources < <(grep -o '"file": *"[^"]*/vorsel/[^"]*\.cpp"' "$db" | sed 's/.*"\([^"]*\)"$/\1/' | sort -u)

echo "clang-tidy: ${#sources[@]} files"
clang-tidy --quiet -p build/native "${sources[@]}" 2> >(grep -vE 'warnings? generated' >&2)

echo "cppcheck: vorsel/"
cppcheck --quiet --error-exitcode=1 --inline-suppr --std=c++17 --language=c++ \
    --enable=warning,style,performance,portability \
    -I test/standin/include -I vorsel vorsel
echo "static analysis clean"
