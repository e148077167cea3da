# Include direction runs one way. Every file under src/ belongs to the layer of its
# folder; it may include headers of its own folder and of the layers below it, never of
# a layer above it, and a value family never includes a sibling family.
#
# The layers, bottom up (one entry a layer; names joined by "|" are siblings):
#   base          pure helpers and named facts, and the one allocation layer (memory.h)
#   platform      the only OS code
#   status        the error road: report table, formatter, catalogue texts, trace channel
#   runtime       locks, configuration, library loading, encodings, accounting, processes
#   types         descriptors, heap, byte strings
#   decimal|datetime|bits   the value families, each knowing nothing of the others
#   compare       compatibility and comparison, dispatching over type codes
#   numform       number templates and number parsing (over the date templates' keyword
#                 matcher), fractions of a second
#   convert       value adaptation, calendar text, literal scanning
#   tuple         tuple construction
cmake_minimum_required(VERSION 3.25)
set(QD_LAYERS base platform status runtime types "decimal|datetime|bits" compare numform
    convert tuple)
# Public headers and the generated ones, by the layer that implements them.
set(QD_HEADER_LAYERS
    "qdtype32/qdapi.h=base" "qdtype32/qdglob.h=status" "qdtype32/qderr.h=status"
    "qderror.h=status" "qdfid.h=status" "qdcatalog_gen.h=status"
    "qdtype32/qdconfig.h=runtime" "qdtype32/qdacct.h=runtime" "qdtype32/qddll.h=runtime"
    "qdtype32/qdos.h=runtime" "qdtype32/qdattr.h=types" "qdtype32/qdbytes.h=types"
    "qdtype32/qdheap.h=types" "qdtype32/qdfix.h=decimal" "qdtype32/qddt.h=datetime"
    "qdtype32/qdbits.h=bits" "qdtype32/qdcompare.h=compare" "qdtype32/qdconv.h=convert"
    "qdtype32/qdnumform.h=numform" "qdtype32/qdtuple.h=tuple")

# The rank of a layer name (its index in QD_LAYERS), -1 when unknown.
function(layer_rank name out)
  set(rank 0)
  foreach(entry ${QD_LAYERS})
    string(REPLACE "|" ";" members "${entry}")
    if(name IN_LIST members)
      set(${out} ${rank} PARENT_SCOPE)
      return()
    endif()
    math(EXPR rank "${rank} + 1")
  endforeach()
  set(${out} -1 PARENT_SCOPE)
endfunction()

function(header_layer header out)
  foreach(pair ${QD_HEADER_LAYERS})
    string(REPLACE "=" ";" kv "${pair}")
    list(GET kv 0 k)
    list(GET kv 1 v)
    if(header STREQUAL k)
      set(${out} ${v} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  if(header MATCHES "^([a-z0-9_]+)/[^/]+$")
    set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*.cpp ${SRC}/*.h)
set(faults "")
set(checked 0)
foreach(f ${files})
  string(REGEX MATCH "^[^/]+" own "${f}")
  layer_rank(${own} own_rank)
  if(own_rank LESS 0)
    list(APPEND faults "${f}: folder '${own}' is in no layer")
    continue()
  endif()
  file(STRINGS ${SRC}/${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    header_layer("${header}" layer)
    if(layer STREQUAL "")
      list(APPEND faults "${f}: \"${header}\" belongs to no layer")
      continue()
    endif()
    layer_rank(${layer} rank)
    math(EXPR checked "${checked} + 1")
    if(rank LESS 0)
      list(APPEND faults "${f}: \"${header}\" is in no layer")
    elseif(rank GREATER own_rank)
      list(APPEND faults "${f}: includes \"${header}\" of the higher layer ${layer}")
    elseif(rank EQUAL own_rank AND NOT layer STREQUAL own)
      list(APPEND faults "${f}: includes \"${header}\" of the sibling ${layer}")
    endif()
  endforeach()
endforeach()
if(faults)
  string(REPLACE ";" "\n  " text "${faults}")
  message(FATAL_ERROR "layer faults:\n  ${text}")
endif()
list(LENGTH files n)
message(STATUS "layers: ${n} files, ${checked} includes, all one way")
