#!/bin/sh
# Writes the UTF-16 and UTF-32 encoded exports the XmlDocument tests read. Run from any
# directory; the files land beside this script.
set -e
cd "$(dirname "$0")"
python3 - <<'PY'
body = (
    "<ENVELOPE><BODY><DATA>\r\n"
    " <STOCKGROUP NAME=\"Caf\u00e9 &amp; Bar\"><PARENT>\u20b9 Goods \U0001D11E</PARENT></STOCKGROUP>\r\n"
    " <STOCKITEM NAME=\"Tea\"><PARENT>Caf\u00e9 &amp; Bar</PARENT>"
    "<OPENINGVALUE>12.50</OPENINGVALUE></STOCKITEM>\r\n"
    "</DATA></BODY></ENVELOPE>\r\n"
)
fixtures = {
    "xml_utf16le_bom.xml": ("utf-16-le", '<?xml version="1.0" encoding="UTF-16"?>\r\n'),
    "xml_utf16be_bom.xml": ("utf-16-be", '<?xml version="1.0" encoding="windows-1252"?>\r\n'),
    "xml_utf16le_bom_nodecl.xml": ("utf-16-le", ""),
    "xml_utf32le_bom.xml": ("utf-32-le", '<?xml version="1.0" encoding="UTF-32"?>\r\n'),
    "xml_utf32be_bom.xml": ("utf-32-be", ""),
}
for name, (codec, decl) in fixtures.items():
    with open(name, "wb") as f:
        f.write("\ufeff".encode(codec) + (decl + body).encode(codec))
PY
