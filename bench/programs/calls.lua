local function add_one(x)
  return x + 1
end

local n = 0
for _ = 1, 1000000 do
  n = add_one(n)
end
print(n)
