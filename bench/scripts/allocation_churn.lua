-- Allocation churn: many short-lived tables, each dropped right after use.
local sum = 0
for i = 0, 1000000 - 1 do
  local p = {x = i, y = i + 1}
  local q = {a = p, b = i % 3, c = {[0] = i % 5, i % 11}}
  sum = (sum + q.a.y + q.b + q.c[0] + q.c[1]) % 1000003
end
print("checksum", sum)
