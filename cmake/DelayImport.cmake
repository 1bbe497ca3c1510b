# The Windows libraries that only windows need, bound when first called (delay-loaded): a job
# from the command line shows no window and so does not pay for loading them at start.
# vimager_delay_import(name) makes the target delay_<name>; VIMAGER_DELAYIMP names the helper library.
if(MSVC)
  set(VIMAGER_DELAYIMP delayimp)
  function(vimager_delay_import name)
    add_library(delay_${name} INTERFACE)
    target_link_libraries(delay_${name} INTERFACE ${name})
    target_link_options(delay_${name} INTERFACE /DELAYLOAD:${name}.dll)
  endfunction()
  return()
endif()

string(REGEX REPLACE "windres$" "dlltool" VIMAGER_DLLTOOL "${CMAKE_RC_COMPILER}")
string(REGEX REPLACE "windres$" "nm" VIMAGER_NM "${CMAKE_RC_COMPILER}")
string(REGEX REPLACE "windres$" "objcopy" VIMAGER_OBJCOPY "${CMAKE_RC_COMPILER}")
find_library(VIMAGER_DELAYIMP delayimp REQUIRED)
set(import_prefix "__imp_")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(import_prefix "__imp__")
  set(kill_at -k)
endif()

# The i686 GNU ld drops the code section of an import stub that nothing calls by name. Our calls
# go through the __imp_ slots, so every stub would go, and with it the slot's first value, the
# entry into the delay-load helper: the first call would jump to address 0. A stub whose code
# section is marked as data is kept (on both targets, for one way of making them); the section
# still ends up in the program's code.
function(vimager_delay_import name)
  find_library(import_${name} ${name} REQUIRED)
  set(def ${CMAKE_BINARY_DIR}/delay/${name}.def)
  set(lib ${CMAKE_BINARY_DIR}/delay/libdelay${name}.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
    COMMAND sh -c "{ echo EXPORTS; ${VIMAGER_NM} -g '${import_${name}}' | sed -n 's/^.* I ${import_prefix}//p'; } >'${def}'"
    COMMAND ${VIMAGER_DLLTOOL} ${kill_at} -d ${def} -D ${name}.dll -y ${lib}
    COMMAND ${VIMAGER_OBJCOPY} --rename-section .text=.text$delay,alloc,load,readonly,data,contents ${lib}
    DEPENDS ${import_${name}} VERBATIM)
  add_custom_target(delay_${name}_lib DEPENDS ${lib})
  add_library(delay_${name} STATIC IMPORTED GLOBAL)
  set_target_properties(delay_${name} PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(delay_${name} delay_${name}_lib)
endfunction()
