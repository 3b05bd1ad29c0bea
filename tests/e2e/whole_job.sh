#!/bin/bash
# The whole job as a user does it, driven from outside the program only: the real quorvik-demo in a
# real window under Xvfb (with a window manager), against quorvik-sim. Log in through the browser,
# query three keywords, filter with a delete word, de-duplicate, export an .xls and an .xlsx file
# through the real save dialog, answer No to the question, close the window. Then check the files
# against what the simulator served. Screenshots of each step stay in the output folder.
#   whole_job.sh <quorvik-demo> <quorvik-sim> <e2e_check_export> <output folder> <port>
set -euo pipefail
demo=$1 sim=$2 checker=$3 out=$4 port=$5
keywords=(男装 连衣裙 女鞋)
delete_word=毛衣
records=200

rm -rf "$out" && mkdir -p "$out"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

step=0
shot() { step=$((step + 1)); import -window root "$out/$(printf %02d "$step")-$1.png"; }
fail() { echo "whole job: $*" >&2; shot failure || true; exit 1; }
# Waits until a visible window whose name matches $1 exists and prints its id.
window() {
  for _ in $(seq 1 300); do
    local id
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Waits until no visible window whose name matches $1 is left.
gone() {
  for _ in $(seq 1 300); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.3; }
# Chinese text reaches the program the way a user's paste does.
paste() { printf '%s' "$1" | xclip -selection clipboard; xdotool key ctrl+v; sleep 0.2; }
sim_requests() { grep -c "$1" "$out/sim.log" || true; }
wait_requests() {
  for _ in $(seq 1 600); do [ "$(sim_requests "$1")" -ge "$2" ] && return 0; sleep 0.1; done
  fail "the simulator saw fewer than $2 requests for $1"
}

exec 3>"$out/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$out/display")"
openbox >/dev/null 2>&1 &
pids+=($!)

"$sim" --port "$port" --records "$records" >"$out/sim.out" 2>"$out/sim.log" &
pids+=($!)
for _ in $(seq 1 100); do grep -q '^port' "$out/sim.out" 2>/dev/null && break; sleep 0.1; done

"$demo" >"$out/quorvik.log" 2>&1 &
app=$!
pids+=($app)

main=$(window '^Quorvik') || fail "the main window did not open"
wait_requests "count1" 1
sleep 1
shot main-window

# Log in through the browser, as the seller does.
click "$main" 72 86
login=$(window '^登录直通车$') || fail "the login window did not open"
wait_requests "GET / " 1
sleep 2
click "$login" 600 400
xdotool key Tab
paste 演示卖家
xdotool key Tab
xdotool type --delay 20 demo123
shot login-page
xdotool key Return
wait_requests "POST /login 302" 1
sleep 1
click "$login" 560 524
window '^信息：$' >/dev/null || fail "no message after the login"
shot login-confirmed
xdotool key Return
gone '^登录直通车$' || fail "the login window stayed open"

# Three keywords, no pause between them.
click "$main" 150 35
paste "$(printf '%s\n' "${keywords[@]}" | head -c -1)"
click "$main" 385 89
xdotool key Up Up Return
sleep 0.3
click "$main" 369 34
wait_requests "POST /report/getRelatedBidwordList.htm 200" 3
sleep 2
shot query

# Filter with one delete word, then de-duplicate.
click "$main" 880 325
paste "$delete_word"
click "$main" 829 547
sleep 2
shot filtered
click "$main" 933 548
sleep 2
shot deduplicated

# Export through the real save dialog, twice, and answer No to the question.
for name in words.xls words.xlsx; do
  click "$main" 498 32
  dialog=$(window '^Save As$') || fail "no save dialog"
  sleep 0.5
  xdotool key ctrl+a
  xdotool type --delay 5 "$out/$name"
  shot "save-$name"
  xdotool key Return
  window '^信息：$' >/dev/null || fail "no question after exporting $name"
  shot "question-$name"
  xdotool key Escape
  gone '^信息：$' || fail "the question stayed open"
done

# Close the window as a user does; the program ends with code 0.
wmctrl -i -c "$(printf '0x%x' "$main")"
for _ in $(seq 1 200); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not end after its window closed"
code=0
wait "$app" || code=$?
[ "$code" -eq 0 ] || fail "the program ended with code $code"

"$checker" "$records" "$delete_word" "$out/words.xls" "$out/words.xlsx" "${keywords[@]}"
echo "whole job: screenshots and files in $out"
