target_sources(content PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/IPatchProgress.h
  ${CMAKE_CURRENT_LIST_DIR}/Patch.cpp ${CMAKE_CURRENT_LIST_DIR}/Patch.h
  ${CMAKE_CURRENT_LIST_DIR}/PatchConfig.cpp ${CMAKE_CURRENT_LIST_DIR}/PatchConfig.h
  ${CMAKE_CURRENT_LIST_DIR}/PatchContent.cpp ${CMAKE_CURRENT_LIST_DIR}/PatchContent.h
  ${CMAKE_CURRENT_LIST_DIR}/jdiff/ApplyPatch.cpp ${CMAKE_CURRENT_LIST_DIR}/jdiff/ApplyPatch.h
  ${CMAKE_CURRENT_LIST_DIR}/jdiff/JDiffFormat.h
  ${CMAKE_CURRENT_LIST_DIR}/jdiff/JDiffProgress.h
)
