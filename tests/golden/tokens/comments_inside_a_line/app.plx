x = 5 -- note
y = 6 —— two em dashes
z = 7 ─ box
