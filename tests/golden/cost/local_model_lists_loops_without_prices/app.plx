agent local uses "llama3":
  can reason

flow tag given posts:
  for each post in posts:
    label = sense post
