#!/usr/bin/env bash
# Keeps the documentation in step with the program.
#
#   check_docs.sh options RUMO SOURCE-DIR   every option of the help texts is documented
#   check_docs.sh links SOURCE-DIR          every relative link and #anchor resolves
#   check_docs.sh tour RUMO SOURCE-DIR      the tour of README.md runs as shown
#
# Exit status 0 when all agrees, 1 with each difference named otherwise.
set -u
LC_ALL=C
export LC_ALL
failed=0
fail() {
  echo "$*"
  failed=1
}

# The lines of a Markdown file outside fenced code blocks.
prose() { awk '/^```/ { fenced = !fenced; next } !fenced' "$1"; }

# GitHub's anchors of a Markdown file's headings, one a line: lower case,
# without punctuation, blanks as hyphens, a repeated one numbered.
anchors() {
  prose "$1" | sed -n 's/^#\{1,6\} \{1,\}//p' | tr 'A-Z' 'a-z' |
    sed 's/[^a-z0-9 _\x80-\xff-]//g; s/ /-/g' |
    awk '{ n = seen[$0]++; print n ? $0 "-" n : $0 }'
}

# Whether OPTION stands in FILE as a word of its own (man page escapes undone).
mentions() {  # file option
  sed 's/\\-/-/g' "$1" | grep -qE -- "(^|[^A-Za-z0-9-])$2([^A-Za-z0-9-]|$)"
}

check_options() {  # rumo source
  local rumo=$1 src=$2 command name reference option help options
  for command in :running.md import:preparing-data.md export:using-the-result.md; do
    reference=docs/${command#*:}
    name=${command%%:*}
    # shellcheck disable=SC2086 # the run's own help has no command word
    help=$("$rumo" $name --help) || fail "rumo $name --help failed"
    name="rumo${name:+ $name}"
    # The names before the description: "  -o,--output FILE   result file".
    options=$(printf '%s\n' "$help" | grep -E '^ +-' | sed -E 's/^ +//; s/  .*//' |
      grep -oE -- '(^|,)--?[A-Za-z][A-Za-z0-9-]*' | sed 's/^,//' | sort -u)
    [ -n "$options" ] || fail "no option found in the help of $name"
    for option in $options; do
      mentions "$src/$reference" "$option" ||
        fail "$reference does not document the option $option of $name"
      mentions "$src/doc/rumo.1" "$option" ||
        fail "doc/rumo.1 does not document the option $option of $name"
    done
  done
}

check_links() {  # source
  local src=$1 file link path anchor target
  for file in "$src"/README.md "$src"/docs/*.md; do
    while IFS= read -r link; do
      case "$link" in http://* | https://* | mailto:*) continue ;; esac
      path=${link%%#*}
      anchor=
      [ "$path" != "$link" ] && anchor=${link#*#}
      if [ -z "$path" ]; then target=$file; else target=$(dirname "$file")/$path; fi
      if [ ! -e "$target" ]; then
        fail "${file#"$src"/}: the link ($link) names no file"
      elif [ -n "$anchor" ] && ! anchors "$target" | grep -qxF -- "$anchor"; then
        fail "${file#"$src"/}: the link ($link) names no heading of ${target#"$src"/}"
      fi
    done < <(prose "$file" | grep -oE '\]\([^) ]+\)' | sed 's/^](//; s/)$//')
  done
}

# Whether the lines of ACTUAL are those of SHOWN, where a line "..." of SHOWN
# stands for any number of lines.
agrees() {  # shown actual
  awk -v shown="$1" '
    BEGIN { while ((getline line < shown) > 0) want[++n] = line }
    { got[++m] = $0 }
    END {
      at = 1; i = 1
      while (i <= n) {
        if (want[i] == "...") { gap = 1; i++; continue }
        j = i; while (j <= n && want[j] != "...") j++   # the piece want[i..j-1]
        len = j - i; found = 0
        for (s = at; s + len - 1 <= m && !found; s++) {
          if (!gap && s != at) break
          if (j > n && s + len - 1 != m) continue        # the last piece ends the output
          ok = 1
          for (k = 0; k < len && ok; k++) if (got[s + k] != want[i + k]) ok = 0
          if (ok) { found = 1; at = s + len }
        }
        if (!found) exit 1
        gap = 0; i = j
      }
      exit (gap || at == m + 1) ? 0 : 1
    }' "$2"
}

check_tour() {  # rumo source
  local rumo=$1 src=$2
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/rumo-tour.XXXXXX") || exit 2
  trap 'rm -rf "$scratch"' EXIT
  # The commands and the output the tour shows: each "$ " line (with the
  # lines it continues with a backslash) and the lines under it.
  awk -v dir="$scratch" '
    /^## / { tour = ($0 == "## A five-minute tour") }
    tour && /^```console/ { inside = 1; next }
    inside && /^```/ { inside = 0; next }
    !inside { next }
    /^\$ / && !more { file = sprintf("%s/%02d", dir, ++n); sub(/^\$ /, "")
                      print > (file ".cmd"); printf "" > (file ".shown")
                      more = /\\$/; next }
    more { print > (file ".cmd"); more = /\\$/; next }
    { print > (file ".shown") }' "$src/README.md"
  ls "$scratch"/*.cmd >/dev/null 2>&1 || { fail "README.md shows no tour"; return; }
  # The tour starts in the top folder, with the program in build/.
  mkdir "$scratch/top" "$scratch/top/build"
  ln -s "$(realpath "$rumo")" "$scratch/top/build/rumo"
  cp -R "$src/examples" "$scratch/top/"
  cd "$scratch/top" || exit 2
  local cmd tool
  for cmd in "$scratch"/*.cmd; do
    tool=$(awk '{ print $1; exit }' "$cmd")
    if [[ "$tool" != rumo && "$tool" != *=* ]] && ! command -v "$tool" >/dev/null 2>&1; then
      echo "skipped, $tool is not installed: $(head -n 1 "$cmd")"
      continue
    fi
    # In this shell, so that cd and export carry over to the next command.
    eval "$(cat "$cmd")" > "${cmd%.cmd}.out" 2>&1 || fail "failed with status $?: $(cat "$cmd")"
    if ! agrees "${cmd%.cmd}.shown" "${cmd%.cmd}.out"; then
      fail "the output of \"$(head -n 1 "$cmd")\" is not the one README.md shows; it is:"
      cat "${cmd%.cmd}.out"
    fi
  done
}

case "${1:-}" in
  options) check_options "$2" "$3" ;;
  links) check_links "$2" ;;
  tour) check_tour "$2" "$3" ;;
  *)
    echo "usage: $0 options|links|tour ..." >&2
    exit 2
    ;;
esac
exit $failed
