-- Many coroutines that yield: 200 workers each take 8000 turns, resumed round-robin.
local state = {total = 0, done = 0}
local function worker(k)
  for i = 0, 8000 - 1 do
    state.total = (state.total + k + i) % 1000003
    coroutine.yield()
  end
  state.done = state.done + 1
end
local threads = {}
for k = 0, 199 do
  local co = coroutine.create(worker)
  threads[#threads + 1] = {co = co, k = k}
end
local first = true
local alive = #threads
while alive > 0 do
  alive = 0
  for _, t in ipairs(threads) do
    if coroutine.status(t.co) ~= "dead" then
      if first then coroutine.resume(t.co, t.k) else coroutine.resume(t.co) end
      if coroutine.status(t.co) ~= "dead" then alive = alive + 1 end
    end
  end
  first = false
end
print("checksum", (state.total + state.done) % 1000003)
