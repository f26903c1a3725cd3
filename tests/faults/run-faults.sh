#!/usr/bin/env bash
# Applies each deliberate fault of faults.txt in turn to a scratch copy of this tree, builds it,
# runs the tests (labels unit and render, or FAULT_LABELS) and prints the ones that failed.
#   tests/faults/run-faults.sh [NAME...]   (FAULT_SCRATCH: the scratch copy, kept for speed)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
list=$root/tests/faults/faults.txt
scratch=${FAULT_SCRATCH:-$root/build/fault-scratch}
labels=${FAULT_LABELS:-unit|render}
mkdir -p "$scratch"
build=$scratch/tree/build # laid out as the real tree, so the compiler cache still hits
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache
    -DCMAKE_C_COMPILER_LAUNCHER=ccache) || launcher=()

# fault NAME apply|restore: edits the file, failing loudly unless the text occurs exactly once.
# fault - sync: copies the tree's files whose content differs (so only they are rebuilt).
fault() {
    python3 - "$list" "$1" "$2" "$root" "$scratch/tree" <<'PY'
import filecmp, os, re, shutil, subprocess, sys
text, name, action, root, tree = open(sys.argv[1]).read(), *sys.argv[2:]
if action == 'sync':  # git's view of the tree: tracked and untracked files, not ignored ones
    ls = subprocess.run(['git', '-C', root, 'ls-files', '-coz', '--exclude-standard'],
                        check=True, capture_output=True).stdout.decode().split('\0')
    wanted = {f for f in ls if f and os.path.isfile(os.path.join(root, f))}
    for d, dirs, files in os.walk(tree):
        dirs[:] = [x for x in dirs if os.path.join(d, x) != os.path.join(tree, 'build')]
        for f in files:
            if os.path.relpath(os.path.join(d, f), tree) not in wanted:
                os.remove(os.path.join(d, f))
    for f in wanted:
        src, dst = os.path.join(root, f), os.path.join(tree, f)
        if not os.path.exists(dst) or not filecmp.cmp(src, dst, shallow=False):
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            shutil.copyfile(src, dst)
    sys.exit()
blocks = [dict(re.findall(r'^(\w+): ?(.*)$', b, re.M)) for b in text.split('\n\n')]
f = next((b for b in blocks if b.get('name') == name), None) or sys.exit(f'no fault {name}')
path = f'{tree}/{f["file"]}'
if action == 'restore':
    shutil.copyfile(path + '.orig', path)
    sys.exit()
old, new = (f[k].replace('\\n', '\n') for k in ('old', 'new'))
body = open(path).read()
if body.count(old) != 1:
    sys.exit(f'{name}: the text to replace occurs {body.count(old)} times in {f["file"]}')
shutil.copyfile(path, path + '.orig')
open(path, 'w').write(body.replace(old, new))
PY
}

# run LABEL: builds and tests the scratch tree, prints LABEL and the tests that failed.
run() {
    local failed
    if ! cmake --build "$build" >"$scratch/build.log" 2>&1; then
        failed="BUILD FAILED (see $scratch/build.log)"
    elif ctest --test-dir "$build" -L "$labels" -j2 --timeout 300 >"$scratch/test.log" 2>&1
    then
        failed="-"
    else
        failed=$(cut -d: -f2- "$build/Testing/Temporary/LastTestsFailed.log" | tr '\n' ' ')
    fi
    printf '%-28s %s\n' "$1" "$failed"
}

fault - sync
cmake -S "$scratch/tree" -B "$build" -G Ninja "${launcher[@]}" >/dev/null
names=("$@")
[[ ${#names[@]} -gt 0 ]] || mapfile -t names < <(sed -n 's/^name: //p' "$list")
run "(no fault)"
for name in "${names[@]}"; do
    fault "$name" apply
    run "$name"
    fault "$name" restore
done
