-- Method calls through tables with this: game entities moved by their update method each frame.
function entityUpdate(self, dt)
  self.x = self.x + self.vx * dt
  self.y = self.y + self.vy * dt
  if self.x < 0 or self.x > 10000 then self.vx = 0 - self.vx; self.bounces = self.bounces + 1 end
  if self.y < 0 or self.y > 10000 then self.vy = 0 - self.vy; self.bounces = self.bounces + 1 end
end
local entities = {}
for i = 0, 999 do
  entities[i] = {x = (i * 37) % 10000, y = (i * 91) % 10000, vx = i % 13 - 6, vy = i % 7 - 3, bounces = 0, update = entityUpdate}
end
for frame = 0, 4999 do
  for i = 0, 999 do
    local e = entities[i]
    e:update(3)
  end
end
local sum = 0
for i = 0, 999 do
  local e = entities[i]
  sum = (sum + e.x + 100 + (e.y + 100) * 3 + e.bounces) % 1000003
end
print("checksum", sum)
