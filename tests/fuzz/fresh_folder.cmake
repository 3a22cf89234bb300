# Empties the work folder of a short fuzzing run: cmake -DWORK=folder -P fresh_folder.cmake
if(NOT WORK)
  message(FATAL_ERROR "WORK is not set")
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
