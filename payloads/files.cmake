# The payload files that the build makes or picks (included by payloads/CMakeLists.txt before the table is
# read). The table names them through defines: ${BOOT_LOADER}, ${DOS_GHOST}, ${FLOPPY_IMAGE},
# ${WINDOWS_GHOST}, ${SKIN_LIBRARY}; the skins and the probe script are at ${BUILD}/payloads/files/.
#
# Outside products (see README.md, "Outside products") are taken from the folder named by QG_OUTSIDE_PRODUCTS
# when it holds the file; otherwise the build makes a stand-in of ours that says plainly what it is.
set(QG_OUTSIDE_PRODUCTS "" CACHE PATH
    "Folder with the outside products: grldr, ghost.exe, Qelo.img, Ghost32.exe (missing ones get stand-ins)")

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(make_payloads ${CMAKE_CURRENT_LIST_DIR}/make_payloads.py)
set(standins ${CMAKE_CURRENT_LIST_DIR}/standins)
set(files_out ${CMAKE_CURRENT_BINARY_DIR}/files)
file(MAKE_DIRECTORY ${files_out})

# The Windows imaging program's stand-in: a small window program (plain C: loads on Windows XP).
add_executable(ghost32_standin WIN32 ${standins}/ghost32_standin.c)
set_target_properties(ghost32_standin PROPERTIES OUTPUT_NAME Ghost32-standin)
target_link_libraries(ghost32_standin PRIVATE qg_options user32 gdi32)
target_link_options(ghost32_standin PRIVATE -static-libgcc -s)
set_property(GLOBAL APPEND PROPERTY QG_BINARIES ghost32_standin)

add_custom_command(OUTPUT ${files_out}/grldr-standin
  COMMAND Python3::Interpreter ${make_payloads} bootloader ${files_out}/grldr-standin
  DEPENDS ${make_payloads} VERBATIM)
add_custom_command(OUTPUT ${files_out}/ghost-standin.exe
  COMMAND Python3::Interpreter ${make_payloads} dosghost ${files_out}/ghost-standin.exe
  DEPENDS ${make_payloads} VERBATIM)
set(floppy_files ${standins}/floppy/CONFIG.SYS ${standins}/floppy/AUTOEXEC.BAT ${standins}/floppy/README.TXT)
add_custom_command(OUTPUT ${files_out}/Qelo-standin.img
  COMMAND Python3::Interpreter ${make_payloads} floppy ${files_out}/Qelo-standin.img ${floppy_files}
  DEPENDS ${make_payloads} ${floppy_files} VERBATIM)

# qg_payload_define(NAME FILE): ${NAME} in the payload table names FILE.
function(qg_payload_define name file)
  set_property(GLOBAL APPEND PROPERTY QG_PAYLOAD_DEFINES --define "${name}=${file}")
endfunction()

# The outside products as "payload|file in the folder|stand-in": ${PAYLOAD} (upper case) in the table names
# the folder's file when the folder holds it, else the stand-in (qg_constant_area in CMakeLists.txt picks).
set_property(GLOBAL PROPERTY QG_OUTSIDE_PRODUCT_LIST
  "boot_loader|grldr|${files_out}/grldr-standin"
  "dos_ghost|ghost.exe|${files_out}/ghost-standin.exe"
  "floppy_image|Qelo.img|${files_out}/Qelo-standin.img"
  "windows_ghost|Ghost32.exe|$<TARGET_FILE:ghost32_standin>")

# The skin library (a target of ours) and its 33 skins.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/skinlib ${CMAKE_CURRENT_BINARY_DIR}/skinlib)
qg_payload_define(SKIN_LIBRARY $<TARGET_FILE:skin_library>)
set_property(GLOBAL APPEND PROPERTY QG_PAYLOAD_TARGETS skin_library ghost32_standin)
foreach(n RANGE 1 33)
  string(REGEX REPLACE "^(.)$" "0\\1" nn ${n})
  add_custom_command(OUTPUT ${files_out}/skin${nn}.she
    COMMAND Python3::Interpreter ${make_payloads} skin ${n} ${files_out}/skin${nn}.she
    DEPENDS ${make_payloads} VERBATIM)
endforeach()

# The partition probe script: GBK, CR LF between lines, no line end after the last.
add_custom_command(OUTPUT ${files_out}/fqs.bat
  COMMAND Python3::Interpreter ${make_payloads} batch ${CMAKE_CURRENT_LIST_DIR}/fqs.bat.in ${files_out}/fqs.bat
  DEPENDS ${make_payloads} ${CMAKE_CURRENT_LIST_DIR}/fqs.bat.in VERBATIM)
