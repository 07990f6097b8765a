#!/usr/bin/env bash
# Plants each fault of scripts/mutants.txt in a scratch copy of the tree, rebuilds it
# incrementally and runs the tests, to see which faults the suite catches and which tests do.
# Slow (a rebuild and a suite run per fault), so CI does not run it.
#
#   scripts/mutants.sh [ID...]           every mutant, or only those named
#   MUT_TESTS=REGEX scripts/mutants.sh   only the ctest entries matching REGEX
#   MUT_FULL=1 scripts/mutants.sh        every test for every mutant
#   MUT_SRC=DIR scripts/mutants.sh       the tree in DIR instead of this one
#   MUT_WORK=DIR                         work folder (default build-mutants), for runs side by side
#   MUT_ROUNDS="e2e"                     only these rounds (unit, e2e), e.g. to compare two
#                                        revisions whose unit tests are the same
#   MUT_NO_BASE=1                        trust the unchanged tree to pass, skip its run
#
# The suite is the whole ctest list but the fuzzers and the package. By default it runs in two
# rounds: the unit tests (seconds), then the end-to-end scripts (minutes) only for a fault the
# unit tests missed, so the results name every end-to-end check that is the only one to catch
# a fault. Work folder build-mutants/ (tree/, build/, results.txt, logs/). A mutant whose
# original text is not found exactly once in its file is "stale" and left out of the rate.
# Tests that fail on the unchanged tree are reported and never counted as killers.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$(mkdir -p "${MUT_WORK:-$root/build-mutants}" && cd "${MUT_WORK:-$root/build-mutants}" && pwd)
tree=$work/tree build=$work/build logs=$work/logs
list=$root/scripts/mutants.txt
scripts/deps.sh test
exclude='^(fuzz_loaders|package_test)$'
mkdir -p "$tree" "$logs"

# The copy sits under the worktree so ccache shares objects of unchanged files. Only files
# whose bytes differ are copied, with a new time, so a fault left planted by a stopped run is
# rebuilt away and nothing else is rebuilt. MUT_SRC names another source folder (an older
# checkout, to compare the suites of two revisions on the same faults).
python3 - "$(cd "${MUT_SRC:-$root}" && pwd)" "$tree" <<'PY'
import filecmp, os, shutil, sys
src_root, tree = sys.argv[1:3]
def listing(top):
    out = set()
    for d, dirs, names in os.walk(top):
        if d == top:
            dirs[:] = [x for x in dirs if not x.startswith("build") and x not in (".git", "out")]
        out.update(os.path.relpath(os.path.join(d, n), top) for n in names)
    return out
files = listing(src_root)
for f in files:
    src, dst = os.path.join(src_root, f), os.path.join(tree, f)
    if not os.path.exists(dst) or not filecmp.cmp(src, dst, shallow=False):
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        shutil.copyfile(src, dst)
        shutil.copymode(src, dst)
for f in listing(tree) - files:
    os.remove(os.path.join(tree, f))
PY
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESS_TESTS=ON \
        $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) \
        >"$logs/configure.log"
fi

source "$root/scripts/xvfb.sh"
mkdir -p "$build/test-out"

# run_suite LOG ROUND: builds and runs the round's ctest entries (full, unit or e2e); prints
# the failed entries' names, one a line. Returns 2 when the build fails.
run_suite() {
  if ! cmake --build "$build" -j2 >"$1.build" 2>&1; then return 2; fi
  local args=(--test-dir "$build" -j2 --timeout 120)
  case $2 in
    full) args+=(-E "$exclude") ;;
    unit) args+=(-E "$exclude|_e2e\$") ;;
    e2e) args+=(-R "_e2e\$") ;;
  esac
  [ -n "${MUT_TESTS:-}" ] && args+=(-R "$MUT_TESTS")
  rm -f "$build/Testing/Temporary/LastTestsFailed.log"
  ctest "${args[@]}" >"$1" 2>&1 || true
  [ -f "$build/Testing/Temporary/LastTestsFailed.log" ] &&
    cut -d: -f2- "$build/Testing/Temporary/LastTestsFailed.log" | sort
  return 0
}

# The rounds: unit tests, then the end-to-end scripts (which ctest names *_e2e).
read -r -a rounds <<<"${MUT_ROUNDS:-unit e2e}"
[ -n "${MUT_FULL:-}" ] && rounds=(full)

# suite NAME ROUND...: the rounds in turn, up to the first with a failure new to the mutant;
# prints the failed entries. Returns 2 when the build fails.
suite() {
  local name=$1 fails=""
  shift
  for r in "$@"; do
    fails+=$(run_suite "$logs/$name.$r.log" "$r") || return 2
    fails+=$'\n'
    [ -n "$(new_fails "$fails")" ] && break
  done
  printf '%s' "$fails"
}
new_fails() {
  comm -23 <(printf '%s\n' "$1" | sed '/^$/d' | sort) \
           <(printf '%s\n' "${base_fail:-}" | sed '/^$/d' | sort)
}

# mutate ID FILE ORIG REPL: exact, single-occurrence text replacement.
mutate() {
  python3 - "$@" <<'PY'
import sys
mid, path, orig, repl = sys.argv[1:5]
# A backslash and n in the list stand for a line break.
orig, repl = (t.replace("\\n", "\n") for t in (orig, repl))
text = open(path, encoding="utf-8").read()
if text.count(orig) != 1:
    sys.exit(3)
open(path, "w", encoding="utf-8").write(text.replace(orig, repl))
PY
}

echo "== unchanged tree"
base_fail=""
if [ -n "${MUT_NO_BASE:-}" ]; then
  cmake --build "$build" -j2 >"$logs/base.build" 2>&1 || { echo "no build" >&2; exit 1; }
elif ! base_fail=$(suite base full); then
  echo "the unchanged tree does not build: see $logs/base.full.log.build" >&2
  exit 1
fi
[ -n "$base_fail" ] && echo "failing before any fault (not counted): $base_fail" | tr '\n' ' ' && echo

results=$work/results.txt
: >"$results"
killed=0 survived=0 stale=0
want=" $* "
# The list is read on its own descriptor: nothing a test runs may eat it.
while IFS=$'\t' read -r -u 3 id file orig repl fault; do
  [[ -z "$id" || "$id" == \#* ]] && continue
  [ $# -gt 0 ] && [[ "$want" != *" $id "* ]] && continue
  cp "$tree/$file" "$work/original"
  if ! mutate "$id" "$tree/$file" "$orig" "$repl"; then
    printf '%-4s stale     %s: %s\n' "$id" "$file" "$fault" | tee -a "$results"
    stale=$((stale + 1))
    continue
  fi
  status=0
  fails=$(suite "$id" "${rounds[@]}") || status=$?
  cp "$work/original" "$tree/$file" # a new time: make rebuilds it
  if [ $status -eq 2 ]; then
    printf '%-4s build     %s: %s\n' "$id" "$file" "$fault" | tee -a "$results"
    stale=$((stale + 1))
    continue
  fi
  killers=$(new_fails "$fails" | tr '\n' ' ')
  if [ -n "$killers" ]; then
    killed=$((killed + 1))
    printf '%-4s killed    %s: %s\n     by: %s\n' "$id" "$file" "$fault" "$killers" |
      tee -a "$results"
  else
    survived=$((survived + 1))
    printf '%-4s SURVIVED  %s: %s\n' "$id" "$file" "$fault" | tee -a "$results"
  fi
done 3<"$list"

# Leaves the build matching the unchanged tree for the next run.
cmake --build "$build" -j2 >/dev/null 2>&1 || true
total=$((killed + survived))
rate=0
[ $total -gt 0 ] && rate=$((100 * killed / total))
printf 'killed %d of %d (%d%%), stale or not building %d\n' "$killed" "$total" "$rate" "$stale" |
  tee -a "$results"
