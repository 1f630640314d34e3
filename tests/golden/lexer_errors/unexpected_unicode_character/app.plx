x → y
