/* Preloaded into Wine's 32-bit loader when it runs under qemu-i386
 * (scripts/lib/emulation.sh). qemu hands a signal handler a context whose
 * trap number is -1, and Wine's fault handlers choose the Windows exception
 * by that number: every access violation would become an illegal
 * instruction, and Wine's own page-fault work (stack guard pages, write
 * watches) would never run. This library wraps sigaction so that each fault
 * handler first gets the trap number and page-fault error code that the
 * kernel would have given, taken from the signal's information.
 *
 * Built freestanding for i386 (no 32-bit C library headers are needed), so
 * the layouts below are the i386 Linux ones. */

typedef void (*fault_handler)(int, void *, void *);

struct sigaction_i386 {            /* glibc's struct sigaction on i386 */
  fault_handler handler;
  unsigned long mask[32];
  int flags;
  void (*restorer)(void);
};

struct siginfo_head {              /* the start of siginfo_t */
  int signo;
  int error;
  int code;
};

enum {
  SIGNAL_ILL = 4, SIGNAL_TRAP = 5, SIGNAL_BUS = 7, SIGNAL_FPE = 8, SIGNAL_SEGV = 11,
  SIGNAL_LIMIT = 65,
  FLAG_SIGINFO = 4,
  /* ucontext_t: flags, link, stack (12 bytes), then mcontext's registers. */
  CONTEXT_REGISTERS = 20, REGISTER_TRAPNO = 12, REGISTER_ERR = 13,
  TRAP_DIVIDE = 0, TRAP_DEBUG = 1, TRAP_BREAKPOINT = 3, TRAP_OVERFLOW = 4,
  TRAP_INVALID_OPCODE = 6, TRAP_PROTECTION = 13, TRAP_PAGE = 14, TRAP_ALIGNMENT = 17,
  PAGE_PRESENT = 1, PAGE_WRITE = 2, PAGE_USER = 4,
  SEGV_MAPERR = 1, SEGV_ACCERR = 2, BUS_ADRALN = 1, FPE_INTDIV = 1, FPE_INTOVF = 2,
  TRAP_BRKPT = 1, TRAP_TRACE = 2,
};

extern int __sigaction(int, const struct sigaction_i386 *, struct sigaction_i386 *);

static fault_handler wrapped[SIGNAL_LIMIT];

static int wraps(int signal) {
  return signal == SIGNAL_ILL || signal == SIGNAL_TRAP || signal == SIGNAL_BUS ||
         signal == SIGNAL_FPE || signal == SIGNAL_SEGV;
}

/* The trap number the kernel gives for this signal, or -1 when unknown. */
static int trap_of(int signal, int code) {
  switch (signal) {
    case SIGNAL_SEGV:
      return code == SEGV_MAPERR || code == SEGV_ACCERR ? TRAP_PAGE : TRAP_PROTECTION;
    case SIGNAL_BUS: return code == BUS_ADRALN ? TRAP_ALIGNMENT : TRAP_PROTECTION;
    case SIGNAL_ILL: return TRAP_INVALID_OPCODE;
    case SIGNAL_FPE:
      return code == FPE_INTDIV ? TRAP_DIVIDE : code == FPE_INTOVF ? TRAP_OVERFLOW : -1;
    case SIGNAL_TRAP:
      return code == TRAP_TRACE ? TRAP_DEBUG : code == TRAP_BRKPT ? TRAP_BREAKPOINT : -1;
  }
  return -1;
}

static void fill_in_trap(int signal, void *info, void *context) {
  int code = ((struct siginfo_head *)info)->code;
  long *registers = (long *)((char *)context + CONTEXT_REGISTERS);
  int trap = trap_of(signal, code);
  if (trap < 0) return;
  registers[REGISTER_TRAPNO] = trap;
  if (trap == TRAP_PAGE) {
    /* qemu keeps the write bit of the fault it saw; the rest follows the code. */
    registers[REGISTER_ERR] = (registers[REGISTER_ERR] & PAGE_WRITE) | PAGE_USER |
                              (code == SEGV_ACCERR ? PAGE_PRESENT : 0);
  }
}

static void fault_trampoline(int signal, void *info, void *context) {
  fill_in_trap(signal, info, context);
  wrapped[signal](signal, info, context);
}

__attribute__((visibility("default")))
int sigaction(int signal, const struct sigaction_i386 *action, struct sigaction_i386 *old) {
  struct sigaction_i386 replaced;
  fault_handler previous = signal > 0 && signal < SIGNAL_LIMIT ? wrapped[signal] : 0;
  if (action && wraps(signal) && (action->flags & FLAG_SIGINFO)) {
    replaced = *action;
    replaced.handler = fault_trampoline;
    int result = __sigaction(signal, &replaced, old);
    if (result == 0) wrapped[signal] = action->handler;
    if (result == 0 && old && old->handler == fault_trampoline) old->handler = previous;
    return result;
  }
  int result = __sigaction(signal, action, old);
  if (result == 0 && old && old->handler == fault_trampoline) old->handler = previous;
  return result;
}

/* The launcher preloads this library into each 32-bit process it starts; the
 * 64-bit programs such a process starts must not inherit the preload (their
 * loader would print that it has the wrong class). The C library hands
 * constructors the environment, which is still the process's own. */
static int is_preload(const char *entry) {
  const char *name = "LD_PRELOAD=";
  while (*name && *entry == *name) { ++entry; ++name; }
  return *name == 0;
}

__attribute__((constructor)) static void forget_preload(int count, char **arguments, char **environment) {
  (void)count;
  (void)arguments;
  char **kept = environment;
  for (char **entry = environment; *entry; ++entry)
    if (!is_preload(*entry)) *kept++ = *entry;
  *kept = 0;
}
