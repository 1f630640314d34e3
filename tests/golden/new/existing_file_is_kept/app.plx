my own program
