#!/usr/bin/env bash
# Runs one end-to-end case of rumo and compares what it did with what it
# should have done.
#
#   run_case.sh <rumo-binary> <case-dir>
#
# A case directory holds answers.txt (the dialogue, fed to standard input)
# or args.txt (the command line, one argument a line; standard input is then
# empty unless answers.txt is there too), the input files they name, and
# expected/ with:
#   stdout.txt     the exact console output
#   stderr.txt     the exact standard error (absent: must be empty)
#   exit_code.txt  the exit code (compared modulo 256, as the system passes it on)
#   absent.txt     optional: names of files the run must not leave behind
#   any other file: a file the run must leave behind, compared byte for byte
#                  under the same name relative to the case directory
#
# The case (without expected/) is copied to a fresh temporary directory and
# rumo runs there, so a case never changes its own files. Exit status 0 when
# everything agrees, 1 with a report of every difference otherwise, 2 when
# the case or the program cannot be run at all.
set -u

if [ $# -ne 2 ]; then
  echo "usage: $0 <rumo-binary> <case-dir>" >&2
  exit 2
fi

rumo=$(realpath -e "$1" 2>/dev/null) || { echo "no program at $1" >&2; exit 2; }
case_dir=$(realpath -e "$2" 2>/dev/null) || { echo "no case at $2" >&2; exit 2; }
expected="$case_dir/expected"
if [ ! -f "$case_dir/answers.txt" ] && [ ! -f "$case_dir/args.txt" ]; then
  echo "case $case_dir has neither answers.txt nor args.txt" >&2
  exit 2
fi
for needed in "$expected/stdout.txt" "$expected/exit_code.txt"; do
  if [ ! -f "$needed" ]; then
    echo "case $case_dir lacks ${needed#"$case_dir"/}" >&2
    exit 2
  fi
done
if [ ! -x "$rumo" ]; then
  echo "$rumo is not executable" >&2
  exit 2
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/rumo-e2e.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT
# The run's own directory holds only the case's files; what the console
# printed is kept beside it, so that it cannot be mistaken for a result file.
work="$scratch/run"
mkdir "$work" "$scratch/console"
# A link to a regular file or a folder (such as the example's data, or what
# another case's run left) is copied as what it names; other links (a device
# such as /dev/zero) stay links.
for entry in "$case_dir"/* "$case_dir"/.[!.]*; do
  [ -e "$entry" ] || [ -L "$entry" ] || continue
  [ "$(basename "$entry")" = expected ] && continue
  if [ -L "$entry" ] && { [ -f "$entry" ] || [ -d "$entry" ]; }; then
    cp -RL "$entry" "$work/"
  else
    cp -a "$entry" "$work/"
  fi
done

# A run that never ends is a failure, not a hang of the whole suite.
args=()
if [ -f "$case_dir/args.txt" ]; then
  while IFS= read -r arg || [ -n "$arg" ]; do args+=("${arg%$'\r'}"); done < "$case_dir/args.txt"
fi
input=/dev/null
# answers.txt may also be a link to a device such as /dev/zero.
[ -e "$case_dir/answers.txt" ] && input=answers.txt
(cd "$work" && timeout 60 "$rumo" "${args[@]}" < "$input" > "$scratch/console/stdout" 2> "$scratch/console/stderr")
status=$?

failed=0
report() {
  echo "$*"
  failed=1
}

# Compares two files byte for byte and shows a readable difference.
compare() {  # what expected actual
  if ! cmp -s "$2" "$3"; then
    report "--- $1 differs (expected, actual):"
    diff -u --text --label "expected/$1" --label "actual/$1" "$2" "$3" | head -n 200
  fi
}

# exit_code.txt holds the program's own code (such as 307); the system hands
# only its low eight bits to the parent, so that is what is compared.
expected_code=$(tr -d ' \t\r\n' < "$expected/exit_code.txt")
if ! [[ "$expected_code" =~ ^[0-9]+$ ]]; then
  echo "exit_code.txt of $case_dir holds no number" >&2
  exit 2
fi
expected_status=$((expected_code % 256))
if [ "$status" = 124 ] && [ "$expected_status" != 124 ]; then
  report "--- rumo did not finish within 60 seconds"
elif [ "$status" != "$expected_status" ]; then
  report "--- exit status: expected $expected_status (code $expected_code), actual $status"
fi

compare stdout.txt "$expected/stdout.txt" "$scratch/console/stdout"
if [ -f "$expected/stderr.txt" ]; then
  compare stderr.txt "$expected/stderr.txt" "$scratch/console/stderr"
else
  compare stderr.txt /dev/null "$scratch/console/stderr"
fi

while IFS= read -r -d '' file; do
  name=${file#./}
  case "$name" in
    stdout.txt | stderr.txt | exit_code.txt | absent.txt) continue ;;
  esac
  if [ ! -f "$work/$name" ]; then
    report "--- $name: expected, but the run did not leave it"
  else
    compare "$name" "$expected/$name" "$work/$name"
  fi
done < <(cd "$expected" && find -L . -type f -print0 | sort -z)

if [ -f "$expected/absent.txt" ]; then
  while IFS= read -r name || [ -n "$name" ]; do
    name=${name%$'\r'}
    [ -z "$name" ] && continue
    if [ -e "$work/$name" ]; then
      report "--- $name: must not exist after the run, but does"
    fi
  done < "$expected/absent.txt"
fi

if [ "$failed" != 0 ]; then
  echo "case $(basename "$case_dir") failed"
  exit 1
fi
exit 0
