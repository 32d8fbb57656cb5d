# SPDX-License-Identifier: MIT
# Sourced by scripts that need this machine's own apt sources (scripts/fresh-check,
# scripts/windows), so that no server name is ever written into the project.
# Expects RELEASE (for example bookworm).

# The apt sources of this machine for the release, its updates and its security fixes, one
# "URI SUITE KEYRING COMPONENTS..." line each (KEYRING "-" when apt's default keys apply),
# from deb822 files and from one-line lists alike.
apt_sources() {
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v release="$RELEASE" '
      function flush(  i, j, u, s) {
        if (types ~ /(^| )deb( |$)/ && enabled != "no") {
          split(uris, u, " "); split(suites, s, " ")
          for (i in u) for (j in s)
            if (s[j] ~ ("^" release "(-updates|-security)?$")) print u[i], s[j], (key ~ /^\// ? key : "-"), comps
        }
        types = uris = suites = comps = key = enabled = ""
      }
      /^#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^[ \t]/ { next } # continuation, such as an inline key
      {
        field = tolower($1); sub(/:.*/, "", field)
        value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
        if (field == "types") types = value
        else if (field == "uris") uris = value
        else if (field == "suites") suites = value
        else if (field == "components") comps = value
        else if (field == "signed-by") key = value
        else if (field == "enabled") enabled = tolower(value)
      }
      END { flush() }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk -v release="$RELEASE" '
      $1 != "deb" { next }
      {
        key = "-"; i = 2
        if ($2 ~ /^\[/) {
          for (; i <= NF; i++) {
            if ($i ~ /^\[?signed-by=/) { key = $i; sub(/^\[?signed-by=/, "", key); sub(/\]$/, "", key) }
            if ($i ~ /\]$/) { i++; break }
          }
        }
        uri = $i; suite = $(i + 1); comps = ""
        for (j = i + 2; j <= NF; j++) comps = comps (comps ? " " : "") $j
        if (suite ~ ("^" release "(-updates|-security)?$")) print uri, suite, (key ~ /^\// ? key : "-"), comps
      }' "$f"
  done
}
