/* A plugin for qemu's user-mode emulators that counts the guest instructions a program
   executes and prints "insns N" to stderr at its exit. The few entry points it needs are
   declared here (qemu's plugin interface, version 1), so no qemu headers are required. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

typedef uint64_t qemu_plugin_id_t;
typedef struct qemu_info_t qemu_info_t;
struct qemu_plugin_tb;
enum qemu_plugin_op { QEMU_PLUGIN_INLINE_ADD_U64 };
typedef void (*tb_trans_cb)(qemu_plugin_id_t, struct qemu_plugin_tb*);
typedef void (*udata_cb)(qemu_plugin_id_t, void*);
void qemu_plugin_register_vcpu_tb_trans_cb(qemu_plugin_id_t, tb_trans_cb);
size_t qemu_plugin_tb_n_insns(const struct qemu_plugin_tb*);
void qemu_plugin_register_vcpu_tb_exec_inline(struct qemu_plugin_tb*, enum qemu_plugin_op,
                                              void*, uint64_t);
void qemu_plugin_register_atexit_cb(qemu_plugin_id_t, udata_cb, void*);

__attribute__((visibility("default"))) int qemu_plugin_version = 1;

static uint64_t executed;

/* Each translated block adds its instruction count every time it runs. */
static void on_translate(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
  (void)id;
  qemu_plugin_register_vcpu_tb_exec_inline(tb, QEMU_PLUGIN_INLINE_ADD_U64, &executed,
                                           qemu_plugin_tb_n_insns(tb));
}

static void on_exit(qemu_plugin_id_t id, void* unused) {
  (void)id;
  (void)unused;
  fprintf(stderr, "insns %llu\n", (unsigned long long)executed);
}

__attribute__((visibility("default"))) int qemu_plugin_install(qemu_plugin_id_t id,
                                                               const qemu_info_t* info,
                                                               int argc, char** argv) {
  (void)info;
  (void)argc;
  (void)argv;
  qemu_plugin_register_vcpu_tb_trans_cb(id, on_translate);
  qemu_plugin_register_atexit_cb(id, on_exit, NULL);
  return 0;
}
