#!/usr/bin/env python3
"""forwarding.py BINARY [SYMBOL-PREFIX...]: loads from the stack that a store cannot forward to.

A load takes its data straight from an earlier store still in flight only when that one
store covers all the load's bytes. Otherwise (a word loaded from a byte store, a double
from two word stores, 16 bytes from two 8-byte stores) the load waits until the stores
have left the core: about a dozen cycles, the cost of many instructions. Compilers make
such pairs when they spill a value in one width and reload it in another, and when they
assemble a structure in pieces and copy it whole.

This reads BINARY's disassembly (objdump) and, in each function whose mangled name starts
with one of the prefixes (every function without one), follows the stores to stack slots
in address order. It prints each load whose bytes the latest stores to them, within the
40 instructions before it, wrote in another shape. Address order is not the order of
execution: a slot written on one branch and read on another can be reported, and a load
reached by a jump from above can be missed. Read each report beside the source
(objdump -dl) before changing anything, and measure.
"""
import re
import subprocess
import sys

BYTE_REG = r'(?:[abcd][lh]|sil|dil|bpl|spl|r\d+b)'
# Width of a memory operand by mnemonic, where no register operand tells it.
WIDTHS = [
    (r'^(movd|movss|cvtss2sd)$', 4),
    (r'^(movq|movsd|movhps|movlps|movhpd|movlpd|fstpl|fldl|fstl|[a-z]+sd)$', 8),
    (r'^(movdq[au]|movap[sd]|movup[sd]|p[a-z]+|[a-z]+p[sd])$', 16),
    (r'^(set|[a-z]+b$)', 1),
    (r'^[a-z]+w$', 2),
    (r'^[a-z]+l$', 4),
    (r'^[a-z]+q$', 8),
]
SLOT = re.compile(r'(-?0x[0-9a-f]+)?\(%[er]sp\)')


def reg_width(reg):
    r = reg.lstrip('%')
    if r.startswith(('xmm', 'st')):
        return None  # a vector or x87 register: the mnemonic tells the width
    if re.fullmatch(BYTE_REG, r):
        return 1
    if r.startswith('e') or re.fullmatch(r'r\d+d', r):
        return 4
    if r.startswith('r') and not r.endswith('w'):
        return 8
    return 2


def width(op, regs):
    if re.match(r'mov[sz][bw]', op):  # widening loads: the memory operand's own width
        return 1 if op[4] == 'b' else 2
    for reg in regs:
        w = reg_width(reg)
        if w:
            return w
    for pattern, w in WIDTHS:
        if re.search(pattern, op):
            return w
    return 4


def functions(binary):
    out = subprocess.run(['objdump', '-d', '--no-show-raw-insn', binary],
                         capture_output=True, text=True, check=True).stdout
    name, body = None, []
    for line in out.splitlines():
        m = re.match(r'^[0-9a-f]+ <(.*)>:$', line)
        if m:
            if name:
                yield name, body
            name, body = m.group(1), []
        elif name and '\t' in line:
            body.append(line)
    if name:
        yield name, body


def scan(name, body):
    written = {}  # stack byte -> (store address, first byte, width, instruction index)
    for i, line in enumerate(body):
        parts = line.split('\t')
        addr, text = parts[0].strip().rstrip(':'), parts[-1].strip()
        op, _, args = text.partition(' ')
        operands = [a.strip() for a in re.split(r',(?![^(]*\))', args.strip())] if args else []
        if (operands and operands[-1] in ('%esp', '%rsp')) or op.startswith(('push', 'pop', 'call')):
            written.clear()  # the frame moved: offsets no longer match
            continue
        m = SLOT.search(args)
        if not m or op.startswith(('lea', 'nop', 'prefetch')):
            continue
        off = int(m.group(1) or '0', 16)
        w = width(op, [o for o in operands if o.startswith('%')])
        to_memory = SLOT.search(operands[-1]) is not None and not op.startswith(('cmp', 'test'))
        stores = to_memory and op.startswith(('mov', 'set', 'fst'))
        if not stores:  # reads the slot (a read-modify-write both reads and writes)
            sources = {written[b][:3] for b in range(off, off + w) if b in written and i - written[b][3] < 40}
            if sources:
                first = next(iter(sources))
                if len(sources) > 1 or first[1] > off or first[1] + first[2] < off + w:
                    print(f'{name} {addr}: {text}  <- {", ".join(f"{s[0]} ({s[2]} bytes)" for s in sorted(sources))}')
        if to_memory:
            for b in range(off, off + w):
                written[b] = (addr, off, w, i)


def main():
    if len(sys.argv) < 2:
        sys.exit('usage: forwarding.py BINARY [SYMBOL-PREFIX...]')
    prefixes = tuple(sys.argv[2:])
    for name, body in functions(sys.argv[1]):
        if not prefixes or name.startswith(prefixes):
            scan(name, body)


if __name__ == '__main__':
    main()
