-- Function values: functions kept in a table, passed as arguments and called through variables.
function inc(v) return v + 1 end
function dbl(v) return (v * 2) % 1000003 end
function sq(v) return ((v % 40000) * (v % 40000)) % 1000003 end
function half(v) return v // 2 end
function apply(f, v) return f(v) end
function compose(f, g, v) return g(f(v)) end
local ops = {[0] = inc, dbl, sq, half}
local acc = 7
for i = 0, 2400000 - 1 do
  local f = ops[i % 4]
  acc = apply(f, acc)
  acc = compose(ops[(i + 1) % 4], inc, acc)
end
print("checksum", acc)
