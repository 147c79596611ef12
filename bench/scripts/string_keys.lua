-- String-keyed tables: counters under 500 computed names, and fixed member names read by dot.
local keys = {}
for i = 0, 499 do keys[i] = "key" .. i end
local counts = {}
for i = 0, 499 do counts[keys[i]] = 0 end
local rec = {alpha = 1, beta = 2, gamma = 3, delta = 4}
local total = 0
for r = 0, 79999 do
  for i = 0, 499, 7 do
    local k = keys[(i + r) % 500]
    counts[k] = counts[k] + rec.alpha + rec.gamma
    rec.beta = (rec.beta + rec.delta) % 1000
  end
end
for k, v in pairs(counts) do total = (total + v) % 1000003 end
print("checksum", (total + rec.beta) % 1000003)
