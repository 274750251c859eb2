# Building installers: a setup folder and a product folder become the packages "SETUP" and
# "PRODUCT" inside a setup executable.
#
#   qovi_add_installer(<target>
#       SETUP_DIR <folder> PRODUCT_DIR <folder>
#       [SETUP_FILES <name>=<file>...] [PRODUCT_FILES <name>=<file>...]
#       [DEPENDS <target>...] [OUTPUT_NAME <name>] [ICON <file.ico>] [LEVEL <0-9>]
#       [PROGRAM <library>...] [SIGN <command>...])
#
# Every file below a folder is packed under its path relative to the folder, with backslashes,
# in ordinal order of those paths; the NAME=FILE entries follow in the order given (FILE may be
# a generator expression such as $<TARGET_FILE:tool>; list the targets that make such files in
# DEPENDS). The same inputs always give the same packages. The executable carries the setup
# program (PROGRAM, by default this project's qovi_setup_program and setupproduct), the two
# packages as RCDATA resources and the setup's application manifest; ICON adds a main icon.
#
# The installer carries its uninstaller in the setup package as "Uninstall.exe" and writes it
# into the installation: the same program with the setup package alone, built first as the
# target <target>_uninstaller. SIGN is a command that signs an executable, run with the file's
# path added after each of the two is linked, so the uninstaller is signed before it is packed
# and the installer after: both signatures hold.
#
#   qovi_embed_packages(<target> SETUP_DIR ... PRODUCT_DIR ... [SETUP_FILES ...]
#       [PRODUCT_FILES ...] [DEPENDS ...] [ICON ...] [LEVEL ...] [SETUP_ONLY])
#
# does the same for an executable that already exists (tests use it to carry fixtures);
# SETUP_ONLY leaves the product package out.
#
# The packages are made with the ipk5 tool of the build machine: the one of this build when it
# is not cross-compiling, else QOVI_HOST_IPK5 when set, else one built here on first use.
include_guard(GLOBAL)

set(QOVI_INSTALLER_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(QOVI_HOST_IPK5 "" CACHE FILEPATH "ipk5 for the build machine, used by cross builds (empty: build one)")

function(_qovi_ipk5_tool out_tool out_depends)
  if(NOT CMAKE_CROSSCOMPILING)
    set(${out_tool} $<TARGET_FILE:ipk5> PARENT_SCOPE)
    set(${out_depends} ipk5 PARENT_SCOPE)
  elseif(QOVI_HOST_IPK5)
    set(${out_tool} ${QOVI_HOST_IPK5} PARENT_SCOPE)
    set(${out_depends} ${QOVI_HOST_IPK5} PARENT_SCOPE)
  else()
    set(dir ${CMAKE_BINARY_DIR}/host-tools)
    if(NOT TARGET qovi_host_ipk5)
      include(ExternalProject)
      # The tool is portable code: the same sources, built with the build machine's compiler.
      ExternalProject_Add(qovi_host_ipk5
        SOURCE_DIR ${QOVI_INSTALLER_CMAKE_DIR}/..
        BINARY_DIR ${dir}
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DQOVI_TESTS=OFF
        BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target ipk5
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${dir}/tools/ipk5/ipk5
        USES_TERMINAL_BUILD ON)
    endif()
    set(${out_tool} ${dir}/tools/ipk5/ipk5 PARENT_SCOPE)
    set(${out_depends} qovi_host_ipk5 ${dir}/tools/ipk5/ipk5 PARENT_SCOPE)
  endif()
endfunction()

# Packs Folder and the NAME=FILE entries into Output.
function(_qovi_pack output folder level entries depends)
  _qovi_ipk5_tool(tool tool_depends)
  get_filename_component(folder ${folder} ABSOLUTE)
  if(NOT IS_DIRECTORY ${folder})
    message(FATAL_ERROR "qovi: ${folder} is not a folder")
  endif()
  file(GLOB_RECURSE folder_files LIST_DIRECTORIES false CONFIGURE_DEPENDS ${folder}/*)
  set(entry_files)
  set(absolute_entries)
  foreach(entry IN LISTS entries)
    string(FIND "${entry}" "=" equals)
    if(equals LESS 1)
      message(FATAL_ERROR "qovi: \"${entry}\" is not NAME=FILE")
    endif()
    math(EXPR start "${equals} + 1")
    string(SUBSTRING "${entry}" ${start} -1 file)
    string(SUBSTRING "${entry}" 0 ${equals} name)
    # A relative FILE means the same to the tool as to the dependency: the calling folder.
    if(NOT file MATCHES "^\\$<")
      get_filename_component(file "${file}" ABSOLUTE)
    endif()
    list(APPEND entry_files ${file})
    list(APPEND absolute_entries "${name}=${file}")
  endforeach()
  get_filename_component(name ${output} NAME)
  add_custom_command(OUTPUT ${output}
    COMMAND ${tool} pack --level ${level} ${output} ${folder} ${absolute_entries}
    DEPENDS ${folder_files} ${entry_files} ${depends} ${tool_depends}
    COMMENT "Packing ${name}"
    VERBATIM)
endfunction()

function(qovi_embed_packages target)
  cmake_parse_arguments(Q "SETUP_ONLY" "SETUP_DIR;PRODUCT_DIR;ICON;LEVEL" "SETUP_FILES;PRODUCT_FILES;DEPENDS" ${ARGN})
  if(NOT Q_SETUP_DIR OR (NOT Q_PRODUCT_DIR AND NOT Q_SETUP_ONLY))
    message(FATAL_ERROR "qovi_embed_packages(${target}): SETUP_DIR and PRODUCT_DIR are required")
  endif()
  if(NOT DEFINED Q_LEVEL)
    set(Q_LEVEL 5)
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}.packages)
  file(MAKE_DIRECTORY ${out})
  _qovi_pack(${out}/SETUP.ipk ${Q_SETUP_DIR} ${Q_LEVEL} "${Q_SETUP_FILES}" "${Q_DEPENDS}")
  set(packages ${out}/SETUP.ipk)
  set(manifest ${QOVI_INSTALLER_CMAKE_DIR}/QoviSetup.manifest)
  set(rc_text "1 24 \"${manifest}\"\nSETUP RCDATA \"${out}/SETUP.ipk\"\n")
  if(NOT Q_SETUP_ONLY)
    _qovi_pack(${out}/PRODUCT.ipk ${Q_PRODUCT_DIR} ${Q_LEVEL} "${Q_PRODUCT_FILES}" "${Q_DEPENDS}")
    list(APPEND packages ${out}/PRODUCT.ipk)
    string(APPEND rc_text "PRODUCT RCDATA \"${out}/PRODUCT.ipk\"\n")
  endif()
  set(rc_depends ${packages} ${manifest})
  if(Q_ICON)
    get_filename_component(icon ${Q_ICON} ABSOLUTE)
    file(TO_CMAKE_PATH "${icon}" icon)
    string(APPEND rc_text "MAINICON ICON \"${icon}\"\n")
    list(APPEND rc_depends ${icon})
  endif()
  # @ONLY: a "${...}" in a build path stays as it is.
  file(CONFIGURE OUTPUT ${out}/packages.rc CONTENT "${rc_text}" @ONLY)
  set_source_files_properties(${out}/packages.rc PROPERTIES OBJECT_DEPENDS "${rc_depends}")
  add_custom_target(${target}_packages DEPENDS ${packages})
  add_dependencies(${target} ${target}_packages)
  target_sources(${target} PRIVATE ${out}/packages.rc)
endfunction()

# The setup program as one executable of an installer: its code, its name and, after the link,
# the signing command.
function(_qovi_setup_executable target output_name program sign)
  add_executable(${target} WIN32)
  # Object libraries are linked directly, so that their objects (and the product's start-up
  # registration with them) are part of the program.
  target_link_libraries(${target} PRIVATE ${program})
  # Shipped without a symbol table, and without the code that nothing calls.
  target_link_options(${target} PRIVATE -municode $<$<CONFIG:Release,MinSizeRel>:-s -Wl,--gc-sections>)
  if(output_name)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name})
  endif()
  if(sign)
    add_custom_command(TARGET ${target} POST_BUILD COMMAND ${sign} $<TARGET_FILE:${target}> VERBATIM)
  endif()
endfunction()

function(qovi_add_installer target)
  cmake_parse_arguments(Q "" "SETUP_DIR;PRODUCT_DIR;ICON;LEVEL;OUTPUT_NAME" "SETUP_FILES;PRODUCT_FILES;DEPENDS;PROGRAM;SIGN" ${ARGN})
  if(NOT Q_PROGRAM)
    set(Q_PROGRAM qovi_setup_program setupproduct)
  endif()
  set(pass)
  foreach(key SETUP_DIR PRODUCT_DIR ICON LEVEL)
    if(DEFINED Q_${key})
      list(APPEND pass ${key} ${Q_${key}})
    endif()
  endforeach()

  # The uninstaller first: the same program with the setup package alone (it reads the product
  # from the "Uninstall.dat" beside it), finished and signed before the installer carries it.
  set(uninstaller ${target}_uninstaller)
  _qovi_setup_executable(${uninstaller} Uninstall "${Q_PROGRAM}" "${Q_SIGN}")
  set_target_properties(${uninstaller} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${uninstaller})
  qovi_embed_packages(${uninstaller} SETUP_ONLY ${pass} SETUP_FILES ${Q_SETUP_FILES} DEPENDS ${Q_DEPENDS})

  _qovi_setup_executable(${target} "${Q_OUTPUT_NAME}" "${Q_PROGRAM}" "${Q_SIGN}")
  qovi_embed_packages(${target} ${pass}
                      SETUP_FILES ${Q_SETUP_FILES} Uninstall.exe=$<TARGET_FILE:${uninstaller}>
                      PRODUCT_FILES ${Q_PRODUCT_FILES}
                      DEPENDS ${Q_DEPENDS} ${uninstaller})
endfunction()
