#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# layering: what the architecture map says of the includes holds — every folder of src
# includes only folders before it in the map's order, and no header includes, directly or
# through others, a header that includes it back.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

python3 - "$SRC/src" <<'PY' || fail "the includes do not keep the map's layering"
import os, re, sys
src = sys.argv[1]
order = ["base", "container", "settings", "platform", "sound", "graphics", "sprite", "input",
         "match", "net", "app"]
inc = re.compile(r'^\s*#\s*include\s+"([a-z]+)/([A-Za-z0-9_]+\.h)"', re.M)
ok, graph = True, {}
for folder in order:
    for name in os.listdir(os.path.join(src, folder)):
        path = os.path.join(src, folder, name)
        found = inc.findall(open(path, encoding="utf-8").read())
        for target, _ in found:
            if target in order and order.index(target) > order.index(folder):
                print(f"{folder}/{name} includes {target}/, which comes after {folder}/")
                ok = False
        if name.endswith(".h"):
            graph[f"{folder}/{name}"] = [f"{t}/{h}" for t, h in found]
for header in graph:
    seen, todo = set(), list(graph[header])
    while todo:
        h = todo.pop()
        if h in seen: continue
        seen.add(h)
        todo += graph.get(h, [])
    if header in seen:
        print(f"{header} is included back by a header it includes")
        ok = False
sys.exit(0 if ok else 1)
PY
echo "layering: folders include only those before them; no header includes itself back"
