-- String building: join numbers and text into names and lines, and use them as keys.
local seen = {}
local lines = 0
for i = 0, 1120000 - 1 do
  local name = "item" .. (i % 1000) .. ":" .. (i % 7)
  seen[name] = i
  if i % 10 == 0 then
    local line = ""
    for j = 0, 9 do line = line .. j .. "," end
    if line == "0,1,2,3,4,5,6,7,8,9," then lines = lines + 1 end
  end
end
local count = 0
local sum = 0
for k, v in pairs(seen) do
  count = count + 1
  sum = (sum + v) % 1000003
end
print("checksum", (count * 31 + sum + lines) % 1000003)
