// The native operator handlers of the six built-in types and the generic ones of host types.
#pragma once

#include <cstdint>

#include "script/gmTypeRecord.h"

class gmScriptMachine;
class gmValue;

// Installs into [record] the handlers of type [typeId] (every other slot is left empty, so the VM
// reports the operation as undefined):
//   null      eq neq not                                  (generic)
//   int       add sub mul div mod bitor bitxor bitand shiftleft shiftright bitinv
//             lt gt lte gte eq neq neg pos not
//   float     add sub mul div mod lt gt lte gte eq neq neg pos not
//   string    add lt gt lte gte eq neq not
//   table     getdot setdot getind setind eq neq not
//   function  eq neq not                                  (generic)
//   host (6+) eq neq not                                  (generic)
// The VM calls a binary handler for the higher of the two operands' type ids, so a handler sees
// operands of its own type or of lower ids. The rules:
//   int: 32-bit wrapping arithmetic on the two 32-bit payloads (a null counts as its payload, 0);
//     the result goes into operand 0's payload and operand 0 keeps its type id, also for the
//     comparisons (null + 1 with null on the left is a null whose payload is 1). div and mod are C
//     truncating division and remainder; by zero they write nothing and return kIntDivideByZero;
//     INT_MIN / -1 wraps to INT_MIN and INT_MIN % -1 is 0. Shift counts are taken modulo 32 (as the
//     compiler folds them); right shift is arithmetic.
//   float: an int operand is converted to float (any other lower type is read as float bits);
//     arithmetic yields float (mod is fmod in double, rounded to float), comparisons and not int 0/1
//     (not is 1 for 0.0 and -0.0).
//   string: add converts each operand to text (string: its characters, int "%d", float "%f", any
//     other type "null"), concatenates and interns; the comparisons convert the same way and compare
//     the texts as unsigned bytes up to the NUL; not of a string is always 0.
//   table: getdot/getind look the key up (absent: null); setdot/setind store with the write barrier.
//     An operand 0 that is not a table (the VM dispatched on a table key) returns kUndefined.
//   generic: eq/neq compare type id and payload (identity for references); not is 1 for a null
//     operand, else 0.
void gmInstallBuiltinOperators(gmTypeRecord& record, int32_t typeId);

// The string add with a detached result (gmScriptMachine::makeDetachedString), for an add whose
// result is the left operand of the next one: the operands as gmStringAdd takes them.
gmOperatorStatus gmStringAddDetached(gmScriptMachine& machine, gmValue* operands);
// True for the string type's built-in add: the one handler that reads a detached operand as text.
bool gmIsBuiltinStringAdd(gmOperatorFunction handler);
