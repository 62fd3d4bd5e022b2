#!/bin/sh
# The Chinese language and help files are shipped in code page 936; they are
# edited here in UTF-8 and converted with this script. iconv refuses any
# character code page 936 cannot hold.
set -e
here=$(cd "$(dirname "$0")" && pwd)
iconv -f UTF-8 -t CP936 "$here/Chinese.ini.utf8" > "$here/../Language/Chinese.ini"
iconv -f UTF-8 -t CP936 "$here/Chinese.htm.utf8" > "$here/../Help/Chinese.htm"
