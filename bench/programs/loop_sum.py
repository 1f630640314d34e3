items = []
for _ in range(1000000):
    items.append(1)
total = 0
for item in items:
    total = total + item
print(total)
