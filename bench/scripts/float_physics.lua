-- Float maths in a tight loop: a bouncing point under gravity, integrated step by step.
-- Every value stays a multiple of 1/256 below 2^15, which single and double precision both hold
-- exactly, so the int counters derived from float comparisons are the same in any precision.
local x = 0.0
local y = 100.0
local vx = 1.25
local vy = 0.0
local s = 0.0
local hits = 0
local wraps = 0
local high = 0
for i = 0, 9000000 - 1 do
  vy = vy - 0.125
  x = x + vx * 0.5
  y = y + vy * 0.25
  if y < 0.0 then y = 0.0 - y; vy = 0.0 - vy; hits = hits + 1 end
  if x > 640.0 then x = x - 640.0 end
  if y > 50.0 then high = high + 1 end
  s = s + x * 0.25 + y * 0.125
  if s >= 4096.0 then s = s - 4096.0; wraps = wraps + 1 end
end
print("checksum", (hits * 7 + wraps * 3 + high) % 1000003)
