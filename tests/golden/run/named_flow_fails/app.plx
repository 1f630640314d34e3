flow main:
  need false otherwise "no input"
