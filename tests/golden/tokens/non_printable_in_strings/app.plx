x = "nbsp zwj‍"
