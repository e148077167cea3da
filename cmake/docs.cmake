# The header reference: `cmake --build --preset default --target docs` writes HTML to
# build/<preset>/docs/html from the /** */ comments of the public headers, with Doxygen
# where it is installed (doxygen). Any Doxygen warning fails the target (an undocumented
# declaration among them; QD_DOCS_WERROR=OFF lets warnings pass), and so does an export
# of tests/exports.txt that the reference does not declare, or a public header without
# its @file comment (Doxygen passes over the declarations of such a header silently).
find_package(Doxygen QUIET)
if(NOT DOXYGEN_FOUND)
  message(STATUS "Doxygen not found: no docs target (the header reference needs doxygen)")
  return()
endif()
option(QD_DOCS_WERROR "The docs target fails on any Doxygen warning" ON)

set(DOXYGEN_PROJECT_NAME "QDTYPE32")
set(DOXYGEN_PROJECT_NUMBER ${PROJECT_VERSION})
set(DOXYGEN_PROJECT_BRIEF "The type library of the Quarendel SQL database system")
set(DOXYGEN_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/docs)
set(DOXYGEN_USE_MDFILE_AS_MAINPAGE ${PROJECT_SOURCE_DIR}/docs/reference.md)
set(DOXYGEN_OPTIMIZE_OUTPUT_FOR_C YES)
set(DOXYGEN_JAVADOC_AUTOBRIEF YES)  # the first sentence is the summary
set(DOXYGEN_FULL_PATH_NAMES NO)
set(DOXYGEN_SORT_MEMBER_DOCS NO)  # declaration order: families stay together
set(DOXYGEN_TYPEDEF_HIDES_STRUCT YES)
# The headers as a C compiler sees them: the export macros vanish and the C++-only
# layout checks stay out.
set(DOXYGEN_ENABLE_PREPROCESSING YES)
set(DOXYGEN_MACRO_EXPANSION YES)
set(DOXYGEN_EXPAND_ONLY_PREDEF YES)
set(DOXYGEN_PREDEFINED "QD_API=" "QD_BEGIN_DECLS=" "QD_END_DECLS=" "__attribute__(x)=")
# (HIDE_UNDOC_MEMBERS would silence the warnings about undocumented declarations.)
set(DOXYGEN_WARN_IF_UNDOCUMENTED YES)
set(DOXYGEN_WARN_IF_DOC_ERROR YES)
set(DOXYGEN_WARN_IF_INCOMPLETE_DOC YES)
if(QD_DOCS_WERROR)
  set(DOXYGEN_WARN_AS_ERROR FAIL_ON_WARNINGS)
endif()
set(DOXYGEN_GENERATE_HTML YES)
set(DOXYGEN_GENERATE_LATEX NO)
set(DOXYGEN_GENERATE_XML YES)  # read back by the check below
set(DOXYGEN_QUIET YES)

doxygen_add_docs(docs_doxygen ${PROJECT_SOURCE_DIR}/include/qdtype32
                 ${PROJECT_SOURCE_DIR}/docs/reference.md
                 COMMENT "Header reference (Doxygen)")
add_custom_target(docs
  COMMAND ${CMAKE_COMMAND} -DHEADERS=${PROJECT_SOURCE_DIR}/include/qdtype32
          -DLIST=${PROJECT_SOURCE_DIR}/tests/exports.txt -DXML=${CMAKE_BINARY_DIR}/docs/xml
          -P ${PROJECT_SOURCE_DIR}/cmake/check_docs.cmake
  COMMENT "Every export declared in the reference"
  VERBATIM)
add_dependencies(docs docs_doxygen)
