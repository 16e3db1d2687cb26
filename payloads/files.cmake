# The payload files that the build makes or picks (included by payloads/CMakeLists.txt). Each ends up in a
# variable QG_<NAME>_FILE (skins: the list QG_SKIN_FILES, in pool order) for the payload table.
#
# Outside products (see README.md, "Outside products") are taken from the folder named by QG_OUTSIDE_PRODUCTS
# when it holds the file; otherwise the build makes a stand-in of ours that says plainly what it is.
set(QG_OUTSIDE_PRODUCTS "" CACHE PATH
    "Folder with the outside products: grldr, ghost.exe, Qelo.img, Ghost32.exe (missing ones get stand-ins)")

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(make_payloads ${CMAKE_CURRENT_LIST_DIR}/make_payloads.py)
set(standins ${CMAKE_CURRENT_LIST_DIR}/standins)
set(out ${CMAKE_CURRENT_BINARY_DIR}/files)
file(MAKE_DIRECTORY ${out})

# The Windows imaging program's stand-in: a small window program (plain C: loads on Windows XP).
add_executable(ghost32_standin WIN32 ${standins}/ghost32_standin.c)
set_target_properties(ghost32_standin PROPERTIES OUTPUT_NAME Ghost32-standin)
target_link_libraries(ghost32_standin PRIVATE qg_options user32 gdi32)
target_link_options(ghost32_standin PRIVATE -static-libgcc -s)
set_property(GLOBAL APPEND PROPERTY QG_BINARIES ghost32_standin)

add_custom_command(OUTPUT ${out}/grldr-standin
  COMMAND Python3::Interpreter ${make_payloads} bootloader ${out}/grldr-standin
  DEPENDS ${make_payloads} VERBATIM)
add_custom_command(OUTPUT ${out}/ghost-standin.exe
  COMMAND Python3::Interpreter ${make_payloads} dosghost ${out}/ghost-standin.exe
  DEPENDS ${make_payloads} VERBATIM)
set(floppy_files ${standins}/floppy/CONFIG.SYS ${standins}/floppy/AUTOEXEC.BAT ${standins}/floppy/README.TXT)
add_custom_command(OUTPUT ${out}/Qelo-standin.img
  COMMAND Python3::Interpreter ${make_payloads} floppy ${out}/Qelo-standin.img ${floppy_files}
  DEPENDS ${make_payloads} ${floppy_files} VERBATIM)

# qg_outside_product(VAR FILE STANDIN): VAR := the supplied FILE, else the stand-in.
function(qg_outside_product var file standin)
  if(QG_OUTSIDE_PRODUCTS AND EXISTS "${QG_OUTSIDE_PRODUCTS}/${file}")
    set(${var} "${QG_OUTSIDE_PRODUCTS}/${file}" PARENT_SCOPE)
    message(STATUS "outside product ${file}: ${QG_OUTSIDE_PRODUCTS}/${file}")
  else()
    set(${var} "${standin}" PARENT_SCOPE)
    message(STATUS "outside product ${file}: not supplied, carrying the stand-in")
  endif()
endfunction()
qg_outside_product(QG_BOOT_LOADER_FILE grldr ${out}/grldr-standin)
qg_outside_product(QG_DOS_GHOST_FILE ghost.exe ${out}/ghost-standin.exe)
qg_outside_product(QG_FLOPPY_IMAGE_FILE Qelo.img ${out}/Qelo-standin.img)
qg_outside_product(QG_WINDOWS_GHOST_FILE Ghost32.exe $<TARGET_FILE:ghost32_standin>)

# The skin library (a target of ours) and its 33 skins.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/skinlib ${CMAKE_CURRENT_BINARY_DIR}/skinlib)
set(QG_SKIN_LIBRARY_FILE $<TARGET_FILE:skin_library>)
set(QG_SKIN_FILES "")
foreach(n RANGE 1 33)
  string(REGEX REPLACE "^(.)$" "0\\1" nn ${n})
  add_custom_command(OUTPUT ${out}/skin${nn}.she
    COMMAND Python3::Interpreter ${make_payloads} skin ${n} ${out}/skin${nn}.she
    DEPENDS ${make_payloads} VERBATIM)
  list(APPEND QG_SKIN_FILES ${out}/skin${nn}.she)
endforeach()

# The partition probe script: GBK, CR LF between lines, no line end after the last.
add_custom_command(OUTPUT ${out}/fqs.bat
  COMMAND Python3::Interpreter ${make_payloads} batch ${CMAKE_CURRENT_LIST_DIR}/fqs.bat.in ${out}/fqs.bat
  DEPENDS ${make_payloads} ${CMAKE_CURRENT_LIST_DIR}/fqs.bat.in VERBATIM)
set(QG_PROBE_SCRIPT_FILE ${out}/fqs.bat)
