# Builds the MSI package reproducibly: cmake -P BuildMsi.cmake with -D WXS, OUTPUT, VERSION,
# UPGRADE_CODE, TITLE, AUTHOR, STAGE (a folder of its own), FILES (|-separated paths), SOURCE_ROOT.
# wixl stamps the time of the build into the package and makes up GUIDs; here the time is the
# commit's (or SOURCE_DATE_EPOCH) and the GUIDs come from the contents, so one commit gives one file.
foreach(var WXS OUTPUT VERSION UPGRADE_CODE TITLE AUTHOR STAGE FILES SOURCE_ROOT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "BuildMsi.cmake: ${var} is not given")
  endif()
endforeach()
find_program(WIXL wixl REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)
find_program(FAKETIME faketime REQUIRED)
find_program(TOUCH touch REQUIRED)

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${SOURCE_ROOT} log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status ERROR_QUIET)
  if(status OR NOT epoch MATCHES "^[0-9]+$")
    set(epoch 315532800)  # no history: 1980-01-01, the earliest time a cabinet holds
  endif()
endif()
execute_process(COMMAND date -u -d @${epoch} "+%Y-%m-%d %H:%M:%S" OUTPUT_VARIABLE stamp OUTPUT_STRIP_TRAILING_WHITESPACE)

# The cabinet keeps each file's time: the staged copies get the commit's.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
string(REPLACE "|" ";" files "${FILES}")
file(SHA1 ${WXS} contents)
foreach(f ${files} ${WXS})
  get_filename_component(name ${f} NAME)
  file(COPY_FILE ${f} ${STAGE}/${name})
  execute_process(COMMAND ${TOUCH} -d @${epoch} ${STAGE}/${name})
  file(SHA1 ${f} hash)
  string(APPEND contents " ${name}=${hash}")
endforeach()
# A new product code for every different content: a rebuild of one version replaces the other.
string(UUID product NAMESPACE ${UPGRADE_CODE} NAME "product ${VERSION}${contents}" TYPE SHA1 UPPER)
string(UUID package NAMESPACE ${UPGRADE_CODE} NAME "package ${VERSION}${contents}" TYPE SHA1 UPPER)

get_filename_component(wxs_name ${WXS} NAME)
set(partial ${STAGE}/package.msi)
set(fake ${CMAKE_COMMAND} -E env TZ=UTC ${FAKETIME} -f "@${stamp}")
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE status)
  if(status)
    message(FATAL_ERROR "BuildMsi.cmake: failed (${status}): ${ARGN}")
  endif()
endfunction()
run(${fake} ${WIXL} -a x86 -D Version=${VERSION} -D ProductCode=${product} -o ${partial} ${wxs_name})
# Not through run(): the template's semicolon would split the argument.
execute_process(COMMAND ${fake} ${MSIBUILD} ${partial} -s ${TITLE} ${AUTHOR} "Intel;1033" "{${package}}"
  WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE status)
if(status)
  message(FATAL_ERROR "BuildMsi.cmake: setting the summary failed (${status})")
endif()
# What wixl cannot say: an upper version bound that includes itself (0x200 with 0x100).
run(${fake} ${MSIBUILD} ${partial}
  -q "DELETE FROM `Upgrade` WHERE `ActionProperty` = 'OLDERFOUND'")
run(${fake} ${MSIBUILD} ${partial}
  -q "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('{${UPGRADE_CODE}}', '0.0.0', '${VERSION}', 768, 'OLDERFOUND')")
file(RENAME ${partial} ${OUTPUT})
