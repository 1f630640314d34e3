rows = []
i = 0
for _ in range(200000):
    i = i + 1
    label = f"item {i}"
    rows.append({"name": label, "index": i})
total = 0
for row in rows:
    total = total + row["index"]
    line = f"{row['name']} is number {row['index']}"
print(total)
