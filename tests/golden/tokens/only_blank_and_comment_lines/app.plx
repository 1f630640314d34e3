
   
-- a comment
— em dash comment
── box comment

