#!/bin/bash
# Second CI stage, run after scripts/test.sh: the formatting check, the include directions of src/
# against the layer list of docs/ARCHITECTURE.md, clang-tidy over the sources of src/, the whole
# test suite built with AddressSanitizer and UndefinedBehaviorSanitizer, a valgrind memcheck of
# a run over the demo database (on one connection and on two workers), and a bounded run of the
# formula fuzzer. Run as root on Debian 12. Each part can be run alone:
#   scripts/check.sh [format] [layers] [tidy] [sanitize] [valgrind] [fuzz]     (default: all six)
# Only the parts that need installed tools run scripts/setup.sh first; layers needs none.
# FUZZ_SECONDS sets the fuzzing time (default 30); TIDY_JOBS the clang-tidy processes run at
# once (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
TIDY_JOBS=${TIDY_JOBS:-2}
TARVEX_PASSWORD=${TARVEX_PASSWORD:-tarvex}

# Every .cpp file under src/ (and the headers of src/ it includes) through clang-tidy with the
# checks of .clang-tidy, where every finding is an error. The compiler flags come from the
# compile_commands.json of the build directory the valgrind part uses; it is only configured
# here, nothing is compiled. Each file's report goes to build/clang-tidy/; the findings are
# printed once each, with a count per check, and any finding or failed run fails the stage.
tidy() {
    echo "=== check: clang-tidy over src/"
    cmake -B build -S . >/dev/null
    local out=$ROOT/build/clang-tidy
    rm -rf "$out" && mkdir -p "$out"
    local status=0
    find src -name '*.cpp' | sort | xargs -P "$TIDY_JOBS" -I{} sh -c \
        'clang-tidy -p build --quiet "$1" >"$2/$(echo "$1" | tr / _).log" 2>&1' _ {} "$out" || status=$?
    # A header's findings appear in the report of every file that includes it.
    local findings
    findings=$(cat "$out"/*.log | grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error): ' \
        | sed -e "s|^$ROOT/||" -e 's/,-warnings-as-errors\]$/]/' | sort -t: -k1,1 -k2,2n -k3,3n | uniq || true)
    if [[ -n $findings ]]; then
        printf '%s\n' "$findings"
        echo "--- findings per check:"
        printf '%s\n' "$findings" | sed -E 's/.*\[([^]]+)\]$/\1/' | sort | uniq -c | sort -rn
        echo "clang-tidy: $(printf '%s\n' "$findings" | wc -l) findings; reports in $out" >&2
        return 1
    fi
    if ((status)); then   # clang-tidy itself failed (a file it could not parse, a bad option)
        grep -v 'warnings\? generated\.$' "$out"/*.log >&2 || true
        echo "clang-tidy: failed without findings; reports in $out" >&2
        return 1
    fi
    echo "clang-tidy: no findings"
}

# Every test, sanitized; the program runs of the process tests are sanitized too. Leak reports
# of memory that the Firebird client and engine keep for the process lifetime are suppressed
# by library name in scripts/lsan.supp; our own code is never suppressed. Thread-local storage
# is not scanned for live pointers (use_tls=0): in some checkout paths the leak checker crashed
# reading the engine threads' TLS at exit. Fewer roots can only add leak reports, never hide one.
sanitize() {
    echo "=== check: test suite under ASan + UBSan (build-asan)"
    cmake -B build-asan -S . -DSOLLIST_SANITIZE=ON -DSOLLIST_BENCH=OFF >/dev/null
    cmake --build build-asan -j2
    ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0:use_tls=0 \
        ctest --test-dir build-asan --output-on-failure
}

# One full batch run over the demo database through the server, under memcheck: any error or
# any block left allocated at exit (leaked or still reachable) fails the stage. Through the
# server the process holds only our code and the client library; the embedded engine run
# in-process reports uninitialised reads on its own stack, outside our code.
valgrind_demo() {
    echo "=== check: valgrind memcheck of a demo run, on one connection and on two workers"
    cmake -B build -S . >/dev/null
    cmake --build build -j2 --target sollist
    local dir=$ROOT/build/valgrind
    local db=/var/lib/firebird/3.0/data/sollist/valgrind-demo.fdb
    rm -rf "$dir" && mkdir -p "$dir/config"
    export ISC_USER=TARVEX ISC_PASSWORD=$TARVEX_PASSWORD
    echo "drop database;" | isql-fb -q "localhost:$db" >/dev/null 2>&1 || true
    echo "create database 'localhost:$db' default character set UTF8;" | isql-fb -q
    isql-fb -q -bail -i sql/schema.sql "localhost:$db"
    isql-fb -q -bail -i sql/demo.sql "localhost:$db"
    cp build/sollist "$dir/sollist"
    printf '[CONNECTION1]\nText=Demo\nDataBase=%s\nServer=localhost\n' "$db" >"$dir/firmen.ini"
    # On one connection, then on two workers (threads of their own, a connection each).
    for jobs in 1 2; do
        XDG_CONFIG_HOME=$dir/config TEMP=$dir \
            valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=all \
                     --errors-for-leak-kinds=all --num-callers=40 "$dir/sollist" --jobs $jobs | tee "$dir/output.txt"
        grep -qx 'Fertig !' "$dir/output.txt"
    done
    echo "drop database;" | isql-fb -q "localhost:$db" >/dev/null
    echo "valgrind: no errors, no leaks"
}

# The formatting of every C++ file under src/, tests/ and bench/ as .clang-format sets it.
format() {
    echo "=== check: clang-format over src/, tests/, bench/"
    find src tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z \
        | xargs -0 clang-format --dry-run -Werror
    echo "clang-format: all files formatted"
}

# Every #include "<folder>/..." of a file under src/ names the file's own folder or a folder on a
# lower level of the layer list in docs/ARCHITECTURE.md: the diagram under "## Layers", where a
# line " src/<folder>" puts the folder on the current level and a line "|  uses" starts the next
# level down. Folders on one level know nothing of each other. The list is read from the doc, so
# the map and the check cannot drift apart; a folder of src/ that the list lacks, or a listed
# folder that src/ lacks, fails as well.
layers() {
    echo "=== check: includes of src/ point down the layer list of docs/ARCHITECTURE.md"
    local -A level=()
    local depth=0 line
    while IFS= read -r line; do
        if [[ $line =~ ^\ src/([a-z_]+)([[:space:]]|$) ]]; then
            level[${BASH_REMATCH[1]}]=$depth
        elif [[ $line =~ ^[[:space:]]+\|[[:space:]]+uses ]]; then
            depth=$((depth + 1))
        fi
    done < <(awk '/^## Layers/ {section = 1; next} /^## / {section = 0}
                  section && /^```/ {if (diagram) exit; diagram = 1; next} diagram' docs/ARCHITECTURE.md)
    if ((${#level[@]} == 0)); then
        echo "layers: no layer list under '## Layers' in docs/ARCHITECTURE.md" >&2
        return 1
    fi
    local status=0 folder
    for folder in src/*/; do
        folder=${folder#src/} folder=${folder%/}
        if [[ ! -v level[$folder] ]]; then
            echo "src/$folder: not in the layer list of docs/ARCHITECTURE.md" >&2
            status=1
        fi
    done
    for folder in "${!level[@]}"; do
        if [[ ! -d src/$folder ]]; then
            echo "docs/ARCHITECTURE.md: the layer list names src/$folder, which does not exist" >&2
            status=1
        fi
    done
    local file number from target count=0
    while IFS=: read -r file number line; do
        from=${file#src/} from=${from%%/*}
        [[ -v level[$from] ]] || continue # reported above
        [[ $line =~ \"([^\"/]*)/ ]]
        target=${BASH_REMATCH[1]}
        count=$((count + 1))
        if [[ $target != "$from" ]] && { [[ ! -v level[$target] ]] || ((level[$target] <= level[$from])); }; then
            echo "$file:$number: ${line#"${line%%[![:space:]]*}"}: src/$target is not below src/$from" \
                 "in the layer list of docs/ARCHITECTURE.md" >&2
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*/' src/*/ --include='*.h' --include='*.cpp')
    ((status == 0)) || return 1
    echo "layers: $count includes of src/ checked, none up or across the layer list (${#level[@]} folders)"
}

fuzz() {
    echo "=== check: formula fuzzer for $FUZZ_SECONDS s"
    scripts/fuzz.sh "$FUZZ_SECONDS"
}

parts=("$@")
((${#parts[@]})) || parts=(format layers tidy sanitize valgrind fuzz)
# The layer check needs bash, grep and awk alone; every other part needs what scripts/setup.sh
# installs (compilers, clang tools, Firebird, valgrind), so setup runs only for those.
needs_setup=0
for part in "${parts[@]}"; do
    case $part in
        layers) ;;
        format | tidy | sanitize | valgrind | fuzz) needs_setup=1 ;;
        *) echo "check.sh: unknown part '$part'" >&2; exit 2 ;;
    esac
done
((needs_setup == 0)) || scripts/setup.sh
for part in "${parts[@]}"; do
    case $part in
        format) format ;;
        layers) layers ;;
        tidy) tidy ;;
        sanitize) sanitize ;;
        valgrind) valgrind_demo ;;
        fuzz) fuzz ;;
    esac
done
echo "=== check: all passed"
