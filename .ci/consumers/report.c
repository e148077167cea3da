/* A program outside the source tree that uses the installed library: it describes a
   type, provokes an error and prints the report, whose texts come from the installed
   catalogues. */
#include <qdtype32/qdtype32.h>
#include <stdio.h>

int main(void) {
  attrtype t;
  char text[64];
  init_qderr();
  if (!txt_to_attr("numeric(10,2)", &t)) return 1;
  printf("%s needs %d bytes\n", attr_to_txt(&t, 1, text), size_attrtype(&t));
  if (trace(19004, 15005, "1234.5", "numeric(5,2)") == 0) return 1;
  fputs(qd_errtxt_adr(), stdout);
  trace_pop();
  return 0;
}
