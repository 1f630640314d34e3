agent helper uses "gpt-4o":
  can reason
