-- Method calls with self: accounts that call their own and each other's small methods.
local Account = {}
function Account.deposit(self, n) self.balance = self.balance + n; self.ops = self.ops + 1 end
function Account.fee(self) return self.rate * 2 + 1 end
function Account.pay(self, other, n)
  if self.balance >= n then
    self.balance = self.balance - n - self:fee()
    other:deposit(n)
    return 1
  end
  self:deposit(self.rate)
  return 0
end
local function newAccount(i)
  return {balance = 100 + i % 50, ops = 0, rate = i % 3, deposit = Account.deposit, fee = Account.fee, pay = Account.pay}
end
local accounts = {}
for i = 0, 99 do accounts[i] = newAccount(i) end
local paid = 0
for round = 0, 30000 - 1 do
  for i = 0, 99 do
    local a = accounts[i]
    paid = paid + a:pay(accounts[(i * 7 + round) % 100], round % 9 + 1)
  end
end
local sum = 0
for i = 0, 99 do
  local a = accounts[i]
  sum = (sum + a.balance * 3 + a.ops) % 1000003
end
print("checksum", (sum + paid) % 1000003)
