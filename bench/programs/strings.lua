local rows = {}
local i = 0
for _ = 1, 200000 do
  i = i + 1
  local label = "item " .. i
  rows[#rows + 1] = { name = label, index = i }
end
local total = 0
for _, row in ipairs(rows) do
  total = total + row.index
  local line = row.name .. " is number " .. row.index
end
print(total)
