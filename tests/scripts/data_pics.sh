#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the built picture file data/pics/game.dat against what the match relies on: every
# picture it names, the counter icons at indexes 4, 5, 8 and 10, sizes that fit the field's
# geometry, keyed sprites whose left and right twins face each other, seamless opaque tiles.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

need_built_data pics/game.dat
pics="$DATA/pics/game.dat"
tool="$BIN/vlnedla-assets"

# --- the listing: one JSON object a line -------------------------------------------------------
"$tool" pics list "$pics" --json > "$work/list.json"
field() { sed -n "s/.*\"$2\": \"\{0,1\}\([^,\"}]*\)\"\{0,1\}[,}].*/\1/p" <<< "$1"; }
declare -A W=() H=() index=() transparent=() key=()
count=0
while IFS= read -r line; do
    [[ $line == *'"name"'* ]] || continue
    name=$(field "$line" name)
    [[ -z ${index[$name]:-} ]] || fail "picture $name is in the file twice"
    index[$name]=$(field "$line" index)
    W[$name]=$(field "$line" imageWidth)
    H[$name]=$(field "$line" imageHeight)
    transparent[$name]=$(field "$line" transparent)
    key[$name]=$(field "$line" transparentColor)
    [[ $(field "$line" kind) != null ]] || fail "picture $name has no picture data"
    [[ ${W[$name]} == "$(field "$line" width)" && ${H[$name]} == "$(field "$line" height)" ]] ||
        fail "picture $name is cut into patterns; the match draws pattern 0 as the whole picture"
    byindex[${index[$name]}]=$name
    count=$((count + 1))
done < "$work/list.json"
((count >= 11)) || fail "only $count pictures; the counters need items up to index 10"

sprites=(tanklevy tankpravy strelaleva strelaprava missileleft missileright machgun magnetleft
    magnetright alarm glass camera phone energyicon bulleticon missileicon machgunicon)
for name in "${sprites[@]}" radar background1 background2 background3 background4 background5; do
    [[ -n ${index[$name]:-} ]] || fail "picture $name is missing"
done

# Keyed sprites: black is the colour that is not drawn; the tiles cover the field opaquely.
for name in "${sprites[@]}"; do
    [[ ${transparent[$name]} == true && ${key[$name]} == 0 ]] ||
        fail "$name should be keyed on black (transparent=${transparent[$name]}, key=${key[$name]})"
done
for n in 1 2 3 4 5; do
    [[ ${transparent[background$n]} == false ]] || fail "background$n should be opaque"
done

# --- sizes against the field (536 x 348) ---------------------------------------------------------
[[ ${W[tanklevy]}x${H[tanklevy]} == 110x33 && ${W[tankpravy]}x${H[tankpravy]} == 110x33 ]] ||
    fail "the craft must be 110 x 33 (left spans X 31-141, right 395-505)"
for i in 4 5 8 10; do
    name=${byindex[$i]:-}
    [[ -n $name ]] || fail "no picture at index $i"
    ((W[$name] <= 24 && H[$name] <= 24)) || fail "counter icon $i ($name) is ${W[$name]} x ${H[$name]}"
done
# Obstacles stand at X 230; a pickup appears at X 257 and must overlap the row to slide off it.
for name in alarm glass camera phone; do
    ((230 + W[$name] > 257)) || fail "$name is too narrow to meet a pickup at X 257"
    ((H[$name] >= 20 && H[$name] <= 40)) || fail "$name is ${H[$name]} high"
done
# Shots spawn at X 141 (left) and 365 (right): clear of the obstacle row, not inside their own
# craft, and rounds fired at Y+13 (magnets Y+5) lie within a 33-pixel craft's height.
for kind in strelaleva:strelaprava missileleft:missileright machgun:machgun magnetleft:magnetright; do
    l=${kind%:*} r=${kind#*:}
    [[ ${W[$l]}x${H[$l]} == "${W[$r]}x${H[$r]}" ]] || fail "$l and $r differ in size"
    ((141 + W[$l] <= 230)) || fail "$l reaches the obstacle row at its spawn"
    ((365 + W[$r] <= 395)) || fail "$r overlaps the right craft at its spawn"
done
((H[magnetleft] + 5 <= 33 && H[strelaleva] + 10 <= 33 && H[missileleft] + 10 <= 33)) ||
    fail "a shot is taller than the craft it leaves"
# Radar probes at X 141 and 153: past the pickups at 257, across the whole obstacle row.
((141 + W[radar] >= 257 + W[energyicon] && 153 + W[radar] >= 230 + W[glass])) ||
    fail "radar ${W[radar]} wide does not reach far enough"
((153 + W[radar] <= 395)) || fail "the right radar reaches into its own craft"

# --- the pixels ----------------------------------------------------------------------------------
python=$(command -v /usr/bin/python3 python3 | head -n 1 || true)
if [[ -z $python ]]; then
    echo "data_pics: python3 is missing, pixel checks skipped"
    exit 0
fi
"$tool" pics extract "$pics" "$work/ppm" > /dev/null
args=()
for name in "${!index[@]}"; do args+=("$name=$work/ppm/${index[$name]}.ppm"); done
"$python" - "${args[@]}" << 'EOF'
import sys

def read_ppm(path):
    data = open(path, "rb").read()
    parts, pos = [], 0
    while len(parts) < 4:  # P6, width, height, maxval
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        parts.append(data[start:pos])
    w, h = int(parts[1]), int(parts[2])
    px = data[pos + 1:]
    return w, h, [[tuple(px[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]

pics = {k: read_ppm(v) for k, v in (a.split("=", 1) for a in sys.argv[1:])}
fails = []
def mask(name):
    w, h, rows = pics[name]
    return [[p != (0, 0, 0) for p in row] for row in rows]

# Right twins face the other way: their drawn pixels are the left ones mirrored.
for l, r in [("tanklevy", "tankpravy"), ("strelaleva", "strelaprava"),
             ("missileleft", "missileright"), ("magnetleft", "magnetright")]:
    if mask(r) != [row[::-1] for row in mask(l)]:
        fails.append(f"{r} is not {l} turned to face left")

# The left craft's gun points at the opponent: at its right edge only a barrel is drawn, level
# with the shots (rows 10-20), while the hull behind it is solid over the shots' rows.
m = mask("tanklevy")
edge = [y for y in range(33) if m[y][109]]
if not edge or min(edge) < 10 or max(edge) > 20 or len(edge) > 8:
    fails.append(f"tanklevy's right edge rows {edge} do not look like a gun barrel")
if not all(m[y][60] for y in range(5, 28)):
    fails.append("tanklevy's hull is not solid across rows 5-27")

# Every sprite has a clear silhouette: drawn pixels exist and fill a fair share of the box.
for name in ["alarm", "glass", "camera", "phone", "energyicon", "bulleticon", "missileicon",
             "machgunicon", "strelaleva", "missileleft", "machgun", "magnetleft"]:
    cells = [c for row in mask(name) for c in row]
    if sum(cells) < 0.35 * len(cells):
        fails.append(f"{name} draws only {sum(cells)} of {len(cells)} pixels")

# Tiles: the seam where a tile meets its neighbour is no rougher than the roughest pair of
# neighbouring columns (rows) inside it -- plate edges inside a tile count too -- and the five
# tiles are distinct.
def diff(a, b):
    return sum(abs(x - y) for x, y in zip(a, b))
means = []
for n in range(1, 6):
    w, h, rows = pics[f"background{n}"]
    cols = [sum(diff(rows[y][x], rows[y][(x + 1) % w]) for y in range(h)) / h for x in range(w)]
    lines = [sum(diff(rows[y][x], rows[(y + 1) % h][x]) for x in range(w)) / w for y in range(h)]
    if cols[-1] > 1.25 * max(cols[:-1]) + 4 or lines[-1] > 1.25 * max(lines[:-1]) + 4:
        fails.append(f"background{n} shows a seam ({cols[-1]:.1f} vs {max(cols[:-1]):.1f}, "
                     f"{lines[-1]:.1f} vs {max(lines[:-1]):.1f})")
    means.append(tuple(sum(p[c] for row in rows for p in row) / (w * h) for c in range(3)))
for i in range(5):
    for j in range(i + 1, 5):
        if diff(means[i], means[j]) < 20:
            fails.append(f"background{i + 1} and background{j + 1} look alike")

for f in fails:
    print("FAIL:", f, file=sys.stderr)
sys.exit(1 if fails else 0)
EOF
echo "data_pics: $count pictures checked"
