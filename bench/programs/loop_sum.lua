local items = {}
for _ = 1, 1000000 do
  items[#items + 1] = 1
end
local total = 0
for _, item in ipairs(items) do
  total = total + item
end
print(total)
