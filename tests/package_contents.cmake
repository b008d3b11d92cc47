# Makes the portable package and checks that it holds exactly its five files.
#   cmake -DBUILD_DIR=... -DZIP=Runwarden-<version>-win64.zip -P package_contents.cmake
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target package
                RESULT_VARIABLE made OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "the package could not be made:\n${log}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar tf "${BUILD_DIR}/${ZIP}"
                RESULT_VARIABLE listed OUTPUT_VARIABLE files)
if(NOT listed EQUAL 0)
  message(FATAL_ERROR "${ZIP} cannot be read")
endif()
string(REPLACE "\n" ";" files "${files}")
list(REMOVE_ITEM files "")
list(SORT files)
set(expected LICENSE README.md Runwarden.exe help.html runwarden-cli.exe)
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "${ZIP} holds [${files}], not [${expected}]")
endif()
message(STATUS "${ZIP} holds ${files}")
