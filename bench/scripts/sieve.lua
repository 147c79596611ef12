-- Array-style tables with int keys: the sieve of Eratosthenes, run several times.
local n = 400000
local count = 0
local sum = 0
for round = 0, 19 do
  local flags = {}
  for i = 2, n do flags[i] = 1 end
  local i = 2
  while i * i <= n do
    if flags[i] == 1 then
      for j = i * i, n, i do flags[j] = 0 end
    end
    i = i + 1
  end
  for i = 2, n do
    if flags[i] == 1 then
      count = count + 1
      sum = (sum + i) % 1000003
    end
  end
end
print("checksum", (count + sum) % 1000003)
