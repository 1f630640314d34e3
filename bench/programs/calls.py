def add_one(x):
    return x + 1


n = 0
for _ in range(1000000):
    n = add_one(n)
print(n)
