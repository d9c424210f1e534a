#!/usr/bin/env bash
# The client library's header stays inside the access layer's .cpp files: no
# header includes it, and no source outside dbaccess/ does.
#   check_ibase_includes.sh SOURCE_ROOT
set -euo pipefail
root=${1:?usage: $0 SOURCE_ROOT}
cd "$root"
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^">]*/)?ibase\.h[">]'
bad=0
while IFS= read -r -d '' file; do
  if grep -Eq "$pattern" "$file"; then
    case $file in
      ./dbaccess/*.cpp) ;;
      *) echo "includes ibase.h: $file"; bad=1 ;;
    esac
  fi
done < <(find . \( -path './build*' -o -path './.git' \) -prune -o -type f \
           \( -name '*.h' -o -name '*.hpp' -o -name '*.hh' -o -name '*.inc' -o -name '*.cpp' -o -name '*.cc' \) -print0)
# The rule must see the layer's own files, or it checks nothing.
grep -Eq "$pattern" dbaccess/Database.cpp || { echo "dbaccess/Database.cpp not seen"; bad=1; }
exit $bad
