# The stored description reader of the asset catalogue.
ekoba_add_fuzzer(fuzz_catalogue
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/catalogue.cpp ${CMAKE_SOURCE_DIR}/graphics/Catalogue.cpp
  LIBS ekoba_platform)
