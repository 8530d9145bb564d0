# Writes the UI driver's table of the names resource.h gives control ids (IDC_...) and menu commands
# (IDM_...): one {"NAME", value}, line for each "#define NAME number".
#   cmake -DINPUT=resources/resource.h -DOUTPUT=resource_ids.inc -P resource_ids.cmake
file(STRINGS ${INPUT} defines REGEX "^#define[ \t]+ID[CM]_[A-Z0-9_]+[ \t]+(0x[0-9A-Fa-f]+|[0-9]+)[ \t]*$")
set(table "// Generated from resources/resource.h by tools/uidriver/resource_ids.cmake; do not edit.\n")
foreach(define IN LISTS defines)
  string(REGEX REPLACE "^#define[ \t]+([A-Z0-9_]+)[ \t]+([0-9A-Fa-fx]+)[ \t]*$" "{\"\\1\", \\2},\n" entry "${define}")
  string(APPEND table "${entry}")
endforeach()
file(WRITE ${OUTPUT} "${table}")
