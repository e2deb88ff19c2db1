#!/bin/sh
# A producer in POSIX sh: the load average of this machine, once every INTERVAL seconds
# (default 5), for ITERATIONS reports (default: until the indicator goes away).
#   examples/producer.sh | indicator
set -eu

interval=${INTERVAL:-5}
iterations=${ITERATIONS:-0}

# A JSON string, quotes included: backslashes and quotes escaped, control characters
# written as escapes, an empty text as "". awk sees the text as lines, so a final dot
# keeps a trailing line break from being lost and is taken off again at the end.
json_string() {
  printf '%s.' "$1" | awk '
    BEGIN {
      for (i = 1; i < 32; i++) escape[sprintf("%c", i)] = sprintf("\\u%04x", i)
      escape["\t"] = "\\t"; escape["\r"] = "\\r"
    }
    {
      if (NR > 1) out = out "\\n"
      for (i = 1; i <= length($0); i++) {
        c = substr($0, i, 1)
        if (c == "\\" || c == "\"") out = out "\\" c
        else if (c in escape) out = out escape[c]
        else out = out c
      }
    }
    END { printf "\"%s\"", substr(out, 1, length(out) - 1) }'
}

# A bar of ten characters, filled in proportion to $1 out of $2.
bar() {
  awk -v part="$1" -v whole="$2" 'BEGIN {
    filled = int(10 * part / whole + 0.5); if (filled > 10) filled = 10; if (filled < 0) filled = 0
    for (i = 0; i < 10; i++) printf (i < filled ? "\342\226\210" : "\342\224\200")
  }'
}

# strong under half the processors busy, good under all of them, light above.
tone() {
  awk -v load="$1" -v cpus="$2" 'BEGIN { print (load < cpus / 2 ? "strong" : load < cpus ? "good" : "light") }'
}

row() {  # label load cpus hint
  printf '{"label":%s,"bar":%s,"value":%s,"tone":"%s","hint":%s}' \
    "$(json_string "$1")" "$(json_string "$(bar "$2" "$3")")" "$(json_string "$(printf '%6s' "$2")")" \
    "$(tone "$2" "$3")" "$(json_string "$4")"
}

cpus=$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 1)
count=0
while :; do
  read -r one five fifteen _ < /proc/loadavg
  printf '{"title":%s,"sections":[{"title":%s,"rows":[%s,%s,%s]}]}\n' \
    "$(json_string "$one")" "$(json_string "Load on $(hostname) · $cpus processors")" \
    "$(row "1 min " "$one" "$cpus" "runnable tasks, averaged over the last minute")" \
    "$(row "5 min " "$five" "$cpus" "over the last five minutes")" \
    "$(row "15 min" "$fifteen" "$cpus" "over the last fifteen minutes")"
  count=$((count + 1))
  [ "$iterations" -gt 0 ] && [ "$count" -ge "$iterations" ] && break
  sleep "$interval"
done
