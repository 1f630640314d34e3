app "My App"
x = "never closed
more text