# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates a colour definitions file with make_color_table and fails when
# it differs from the shipped one.
#   -DTOOL= -DKIND=full|basic -DLISTS=(the folder tools/colors) -DTERMS=(survey-basic-terms.tsv) -DSHIPPED= -DOUTPUT=
execute_process(COMMAND ${TOOL} --fit ${KIND} ${LISTS}/vocabulary.tsv ${LISTS}/survey-cs.tsv
                        ${LISTS}/scanned-fabrics.tsv ${TERMS} ${LISTS}/other-lists.tsv ${OUTPUT}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_color_table --fit ${KIND} failed on ${LISTS}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${SHIPPED} RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "${SHIPPED} is not what make_color_table makes of tools/colors/; "
                      "regenerate it with: cmake --build BUILD --target color_tables")
endif()
