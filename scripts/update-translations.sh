#!/usr/bin/env bash
# Collects the window's texts into translations/*.ts, keeping the
# translations already made. The window's classes live in qv::ui, which is
# the context tr() looks them up under; lupdate's own parser leaves the
# namespace off (and QT_TRANSLATE_NOOP names the class the same way), so it
# is taken off for lupdate and put back after.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
for language in en ja; do
  ts=translations/quorvane_$language.ts
  [[ -f $ts ]] && sed -i -E 's#<name>qv::ui::([A-Za-z0-9]*)</name>#<name>\1</name>#' "$ts"
  "$lupdate" -silent -no-obsolete -locations none -source-language ja_JP \
    -target-language "$language" src/ui -ts "$ts" 2>/dev/null
  sed -i -E 's#<name>([A-Z][A-Za-z0-9]*)</name>#<name>qv::ui::\1</name>#' "$ts"
  sed -i -E 's#<name>qv::ui::Engine</name>#<name>Engine</name>#; s#<name>qv::ui::VideoPanel</name>#<name>VideoPanel</name>#' "$ts"
done
