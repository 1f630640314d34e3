a:
  b
        -- deep comment
-- shallow comment
  c
