target_sources(content PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ArchiveItem.cpp ${CMAKE_CURRENT_LIST_DIR}/ArchiveItem.h
  ${CMAKE_CURRENT_LIST_DIR}/ComPtr.h
  ${CMAKE_CURRENT_LIST_DIR}/DestinationWriter.cpp ${CMAKE_CURRENT_LIST_DIR}/DestinationWriter.h
  ${CMAKE_CURRENT_LIST_DIR}/ExtractArchive.cpp ${CMAKE_CURRENT_LIST_DIR}/ExtractArchive.h
  ${CMAKE_CURRENT_LIST_DIR}/ExtractCallback.cpp ${CMAKE_CURRENT_LIST_DIR}/ExtractCallback.h
  ${CMAKE_CURRENT_LIST_DIR}/FileInStream.cpp ${CMAKE_CURRENT_LIST_DIR}/FileInStream.h
  ${CMAKE_CURRENT_LIST_DIR}/ISevenZipCallback.h
  ${CMAKE_CURRENT_LIST_DIR}/SevenZipAbi.h
  ${CMAKE_CURRENT_LIST_DIR}/SevenZipLibrary.cpp ${CMAKE_CURRENT_LIST_DIR}/SevenZipLibrary.h
)
target_link_libraries(content PRIVATE ${CMAKE_DL_LIBS})

# These files call objects made by the plug-in through our own declarations
# of its interfaces. The types match in layout, not in identity, so the
# sanitizer's check of the dynamic type (which compares RTTI) cannot apply.
if(LAUNCHER_SANITIZE)
  set_source_files_properties(
    ${CMAKE_CURRENT_LIST_DIR}/ArchiveItem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExtractArchive.cpp
    TARGET_DIRECTORY content
    PROPERTIES COMPILE_OPTIONS -fno-sanitize=vptr)
endif()
