page "P":
  button "Go" opens "Home"
