# Checks the version resource of each FILES entry ("<path>=<description>"): the UTF-16 strings of the
# resource hold the product name, the company, the description and VERSION as file and product version.
foreach(entry ${FILES})
  string(FIND "${entry}" "=" eq)
  string(SUBSTRING "${entry}" 0 ${eq} file)
  math(EXPR start "${eq} + 1")
  string(SUBSTRING "${entry}" ${start} -1 description)
  execute_process(COMMAND ${STRINGS} -el ${file} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${STRINGS} failed on ${file}")
  endif()
  # Each name is followed by its value in the resource's string table.
  foreach(pair "ProductName\nMarvo" "CompanyName\nZentrova creations" "FileDescription\n${description}"
               "FileVersion\n${VERSION}" "ProductVersion\n${VERSION}")
    string(FIND "${text}" "${pair}\n" found)
    if(found EQUAL -1)
      string(REPLACE "\n" " = " shown "${pair}")
      message(FATAL_ERROR "${file}: no version string ${shown}")
    endif()
  endforeach()
endforeach()
message(STATUS "version resources: ${FILES}")
